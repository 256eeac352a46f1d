#!/usr/bin/env bash
# Builds tabloom and the preview benchmark and prints how soon record 1 of a
# 100,000-record workbook shows after the template is saved.
# usage: scripts/bench-preview.sh [records] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target tabloom bench_preview -j 2
nice build-bench/bench_preview build-bench/tabloom "${1:-100000}" "${2:-7}"
