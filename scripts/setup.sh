#!/usr/bin/env bash
# Installs the Debian packages tabloom needs to build and test, when missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libboost-regex-dev libicu-dev libzip-dev zlib1g-dev libexpat1-dev
  libdeflate-dev libisal-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxlsxwriter-dev
  libreoffice-calc-nogui
  shared-mime-info desktop-file-utils xdg-utils libglib2.0-bin file dpkg-dev
  appstream bash-completion groff-base man-db
  qt6-base-dev qt6-translations-l10n fonts-noto-cjk xvfb xauth
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
