#!/usr/bin/env bash
# Builds tabloom and the check benchmark and prints what tabloom --check costs
# next to the card job it checks.
# usage: scripts/bench-check.sh [records] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target tabloom bench_check -j 2
nice build-bench/bench_check "${1:-20000}" "${2:-5}"
