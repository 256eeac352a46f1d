#!/usr/bin/env bash
# Sets everything up, builds tabloom and makes the example pages from
# examples/events.xlsx with the card and the list template.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tabloom -j "$(nproc)"

# tabloom never overwrites a page, so each run starts from empty folders.
for layout in card list; do
  out="out/example-$layout"
  rm -rf "$out"
  build/tabloom -a -t="examples/$layout.html" -te=1 -x=examples/events.xlsx -d="$out" -de=1
  echo "$layout pages: $(pwd)/$out"
  ls "$out"
done
