#!/usr/bin/env bash
# Builds tabloom and compares a card merge made through the progress window
# (under Xvfb) with the same job run in the console, then presses the
# window's stop button at random moments of the run against SIGINT sent to
# the console run.
# usage: scripts/bench-desktop.sh [records] [rounds] [presses]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target tabloom bench_desktop bench_desktop_stop -j 2
xvfb-run -a -s "-screen 0 1280x800x24" build-bench/bench_desktop build-bench/tabloom "${1:-20000}" "${2:-5}"
xvfb-run -a -s "-screen 0 1280x800x24" build-bench/bench_desktop_stop build-bench/tabloom "${1:-20000}" "${3:-20}"
