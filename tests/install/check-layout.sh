#!/usr/bin/env bash
# Installs the build into a scratch prefix and compares the files with the
# exact list a user gets; then validates the desktop entry, the AppStream
# component and the MIME package there, and that every place that carries
# the version agrees with the build's.
# Usage: check-layout.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

sizes="16 22 24 32 48 64 128 256 512"
expected() {
  cat <<'LIST'
bin/tabloom
bin/velmora
lib/tabloom/tabloom-desktop.so
share/applications/io.github.tabloom.tabloom.desktop
share/bash-completion/completions/tabloom
share/icons/hicolor/scalable/apps/tabloom.svg
share/icons/hicolor/scalable/mimetypes/application-x-tabloom-project.svg
share/man/ja/man1/tabloom.1
share/man/ja/man1/velmora.1
share/man/man1/tabloom.1
share/man/man1/velmora.1
share/metainfo/io.github.tabloom.tabloom.metainfo.xml
share/mime/packages/tabloom.xml
LIST
  for size in $sizes; do
    echo "share/icons/hicolor/${size}x${size}/apps/tabloom.png"
    echo "share/icons/hicolor/${size}x${size}/mimetypes/application-x-tabloom-project.png"
  done
  (cd "$source_dir/docs/help" && find . -type f | sed 's|^\./|share/tabloom/help/|')
}

cmake --install "$build" --prefix "$scratch/usr" >/dev/null
installed=$(cd "$scratch/usr" && find . ! -type d | sed 's|^\./||' | sort)
diff -u <(expected | sort) - <<<"$installed" || fail "installed files differ from the list (- missing, + extra)"
for f in bin/tabloom bin/velmora; do
  [ -x "$scratch/usr/$f" ] || fail "not executable: $f"
done

# A PNG's width and height are big-endian words at bytes 16 and 20.
for size in $sizes; do
  for png in "$scratch"/usr/share/icons/hicolor/${size}x${size}/*/*.png; do
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w $h" = "$size $size" ] || fail "$png is ${w}x${h}"
  done
done

desktop-file-validate "$scratch/usr/share/applications/io.github.tabloom.tabloom.desktop" || fail "desktop entry"
appstreamcli validate-tree --pedantic --no-net "$scratch" || fail "AppStream"
XDG_DATA_DIRS="$scratch/usr/share" update-mime-database "$scratch/usr/share/mime" || fail "MIME package"
grep -qx 'application/x-tabloom-project:\*\.tbm' "$scratch/usr/share/mime/globs" || fail "*.tbm glob"
grep -qx 'application/x-tabloom-project:application-x-tabloom-project' "$scratch/usr/share/mime/icons" \
  || fail "the MIME type's icon"

[ "$("$scratch/usr/bin/tabloom" --version | head -n1)" = "tabloom $version" ] || fail "tabloom --version"
[ "$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)" = "$version" ] \
  || fail "debian/changelog is not at version $version"
grep -q "<release version=\"$version\"" "$scratch/usr/share/metainfo/io.github.tabloom.tabloom.metainfo.xml" \
  || fail "the AppStream component has no release $version"
echo "installed: $(wc -l <<<"$installed") files"
