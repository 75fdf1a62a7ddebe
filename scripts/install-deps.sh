#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the screenshots need, if any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-svg-dev libusb-1.0-0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-vlgothic
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq || echo "apt-get update failed; trying the package lists already here"
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
