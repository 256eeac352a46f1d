#!/usr/bin/env bash
# Takes the pictures of the windows shown in the README, under Xvfb: the main
# window with the example project, its preview and the progress window after
# its run.
# They are written to docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tabloom_screenshots -j 2
mkdir -p docs/images
xvfb-run -a -s "-screen 0 1280x800x24" build/tabloom_screenshots examples docs/images
