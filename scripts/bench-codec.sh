#!/usr/bin/env bash
# Builds and runs the codec benchmark: decoding and encoding throughput of
# tabloom next to a bare iconv() call (ratio = tabloom time / iconv time).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_codec -j 2
./build-bench/bench_codec
