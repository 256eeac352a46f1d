#!/bin/sh
# Builds and runs the displayed-text benchmark (a release build of its own).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_numfmt -j2
./build-bench/bench_numfmt
