#!/usr/bin/env bash
# Builds tabloom and the generation benchmark, installs the Python baseline
# (openpyxl, jinja2) when missing, and prints the figures.
# usage: scripts/bench-generation.sh [records] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh python3-openpyxl python3-jinja2
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target tabloom bench_generation -j 2
nice build-bench/bench_generation "${1:-20000}" /usr/bin/python3 "${2:-5}"
