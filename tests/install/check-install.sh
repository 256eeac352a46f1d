#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that every file a user
# needs is there and works; with "deb", also builds the Debian package and
# checks its contents.
# Usage: check-install.sh BUILD_DIR VERSION [deb]
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

files=(
  bin/tabloom bin/velmora lib/tabloom/tabloom-desktop.so
  share/applications/tabloom.desktop
  share/mime/packages/tabloom.xml
  share/icons/hicolor/scalable/apps/tabloom.svg
)
for size in 16 22 24 32 48 64 128 256; do
  files+=("share/icons/hicolor/${size}x${size}/apps/tabloom.png")
done
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
while IFS= read -r f; do
  files+=("share/tabloom/help/${f#./}")
done < <(cd "$source_dir/docs/help" && find . -type f | sort)

cmake --install "$build" --prefix "$scratch/usr" >/dev/null
for f in "${files[@]}"; do
  [ -f "$scratch/usr/$f" ] || fail "not installed: $f"
done
for f in "$scratch/usr/bin/tabloom" "$scratch/usr/bin/velmora"; do
  [ -x "$f" ] || fail "not executable: $f"
done
[ "$("$scratch/usr/bin/tabloom" --version)" = "tabloom $version" ] || fail "tabloom --version"
# The installed program finds its window module: a run in the window.
if command -v xvfb-run >/dev/null; then
  printf 'a\n' >"$scratch/book.csv"
  printf '<!--- excel quit=A1 type=card --->x' >"$scratch/t.html"
  # A sanitizer build reports what the system's D-Bus library keeps to the end.
  LSAN_OPTIONS="suppressions=$source_dir/tests/app/lsan.supp" \
    XDG_CONFIG_HOME="$scratch/config" timeout 120 xvfb-run -a "$scratch/usr/bin/tabloom" -a "-t=$scratch/t.html" \
    "-x=$scratch/book.csv" "-d=$scratch/pages" -te=1 -de=1 >/dev/null 2>&1 || fail "a run in the window"
  [ -f "$scratch/pages/00001.html" ] || fail "no page from the window run"
fi
desktop-file-validate "$scratch/usr/share/applications/tabloom.desktop" || fail "desktop entry"
update-mime-database "$scratch/usr/share/mime" || fail "MIME package"
grep -q '^application/x-tabloom-project:\*\.tbm$' "$scratch/usr/share/mime/globs" || fail "*.tbm glob"
echo "installed: ${#files[@]} files"

if [ "${3:-}" = deb ]; then
  (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
  deb=$(ls "$scratch"/package/tabloom_"$version"_*.deb)
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in "${files[@]}"; do
    grep -qx "./usr/$f" <<<"$listing" || fail "not in the package: $f"
  done
  fields=$(dpkg-deb -f "$deb" Version Depends Recommends)
  grep -q "^Version: $version$" <<<"$fields" || fail "package version"
  grep -q "^Depends: .*libqt6widgets6" <<<"$fields" || fail "dependencies not computed"
  grep -q "^Recommends: .*libreoffice-calc-nogui" <<<"$fields" || fail "recommends"
  echo "package: $(basename "$deb")"
fi
