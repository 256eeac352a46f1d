#!/usr/bin/env bash
# Builds the Debian package of tabloom with debhelper: installs what
# debian/control asks for, builds in build-package/ and prints lintian's
# report and the package path. DEB_BUILD_OPTIONS=nocheck skips the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
bash scripts/setup.sh dpkg-dev debhelper fakeroot lintian
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y --no-install-recommends ./ >/dev/null

# dpkg-buildpackage writes the packages beside the source tree; building a
# copy inside build-package/ keeps them there.
rm -rf build-package
mkdir -p build-package/tabloom
tar --exclude=./.git --exclude='./build*' --exclude=./out -cf - . | tar -xf - -C build-package/tabloom
export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
# The tests' recorded material, when it is beside the repository.
if [ -d ../shared ]; then
  TABLOOM_SHARED_DIR=$(cd ../shared && pwd)
  export TABLOOM_SHARED_DIR
fi
(cd build-package/tabloom && dpkg-buildpackage -us -uc -b)

changes=$(ls build-package/tabloom_*.changes)
echo "lintian:"
lintian --info --display-info --fail-on error,warning "$changes"
echo "lintian: no error or warning"
ls "$PWD"/build-package/tabloom_*.deb
