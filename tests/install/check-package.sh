#!/usr/bin/env bash
# lintian on the package that scripts/package.sh built. Exits 77 (skipped)
# when lintian is not installed or no package of this version is there.
# Usage: check-package.sh VERSION
set -euo pipefail
version=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
command -v lintian >/dev/null || { echo "lintian is not installed"; exit 77; }
changes=$(compgen -G "$source_dir/build-package/tabloom_${version}_*.changes" | head -n1 || true)
[ -n "$changes" ] || { echo "no package of $version in build-package/ (scripts/package.sh builds it)"; exit 77; }
lintian --info --display-info --fail-on error,warning "$changes"
echo "lintian: $(basename "$changes") is clean"
