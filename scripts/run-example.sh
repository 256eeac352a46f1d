#!/usr/bin/env bash
# Sets everything up, builds tabloom and makes the example pages.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -x build/tabloom ]; then
  echo "tabloom is built as a library only so far; the page generator is not there yet."
  exit 0
fi
