#!/usr/bin/env bash
# The installed program finds its window module: a run in the window under
# Xvfb, from a scratch prefix. Exits 77 (skipped) without xvfb-run.
# Usage: check-window-run.sh BUILD_DIR
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/usr" >/dev/null
printf 'a\n' >"$scratch/book.csv"
printf '<!--- excel quit=A1 type=card --->x' >"$scratch/t.html"
# A sanitizer build reports what the system's D-Bus library keeps to the end.
LSAN_OPTIONS="suppressions=$source_dir/tests/app/lsan.supp" \
  XDG_CONFIG_HOME="$scratch/config" timeout 120 xvfb-run -a -n $((500 + $$ % 400)) "$scratch/usr/bin/tabloom" -a "-t=$scratch/t.html" \
  "-x=$scratch/book.csv" "-d=$scratch/pages" -te=1 -de=1 >/dev/null 2>&1 || { echo "FAIL: a run in the window" >&2; exit 1; }
[ -f "$scratch/pages/00001.html" ] || { echo "FAIL: no page from the window run" >&2; exit 1; }
echo "the installed program made its page in the window"
