#!/usr/bin/env bash
# Builds the Debian package of tabloom: installs what the build needs, makes a
# release build in build-package/ and runs CPack there. Prints the package path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTABLOOM_TESTS=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/tabloom_*.deb
