#!/usr/bin/env bash
# Builds and runs the workbook reading benchmark. openpyxl is the comparison;
# it is installed here when missing, not by the general setup.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's package serves the system interpreter, whatever else is on PATH.
if ! /usr/bin/python3 -c "import openpyxl" 2>/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends python3-openpyxl
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_workbook -j 2
mkdir -p build-bench/data
./build-bench/bench_workbook build-bench/data
