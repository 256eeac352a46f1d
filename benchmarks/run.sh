#!/usr/bin/env bash
# Builds the benchmarks in build-bench and runs them: all of them, or those
# named on the command line (e.g. `bash benchmarks/run.sh scanner`).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in benchmarks/*.cpp; do names+=("$(basename "$src" .cpp)"); done
fi
for name in "${names[@]}"; do
  cmake --build build-bench --target "bench_$name" -j 2 >/dev/null
  echo "== $name"
  "./build-bench/bench_$name"
done
