#!/usr/bin/env bash
# Builds and runs the workbook reading benchmark. What it needs beyond the
# build, openpyxl (a writer and a comparison), LibreOffice (writes the .ods)
# and the npm xlsx package (0.18.5, in a scratch folder), is installed here
# when missing, not by the general setup. The workbooks are written once and
# kept in build-bench/data.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
need=()
# Debian's package serves the system interpreter, whatever else is on PATH.
/usr/bin/python3 -c "import openpyxl" 2>/dev/null || need+=(python3-openpyxl)
command -v soffice >/dev/null || need+=(libreoffice-calc-nogui)
# A node from elsewhere may bring its own npm (Debian's npm package would
# conflict with it); only install Debian's pair when either is missing.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  need+=(nodejs npm)
fi
if [ ${#need[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${need[@]}"
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTABLOOM_BENCHMARKS=ON -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_workbook -j 2
mkdir -p build-bench/data build-bench/npm
npm_folder=$(cd build-bench/npm && pwd)
if [ ! -f "$npm_folder/node_modules/xlsx/package.json" ] ||
   ! grep -q '"version": "0.18.5"' "$npm_folder/node_modules/xlsx/package.json"; then
  npm install --prefix "$npm_folder" --no-audit --no-fund --silent xlsx@0.18.5
fi
./build-bench/bench_workbook build-bench/data "$npm_folder"
