#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the fuzz targets need, when they
# are missing; fonts-wqy-microhei is the font that draws the dialog's Chinese texts.
set -euo pipefail
packages=(g++ cmake ninja-build pkgconf libudev-dev libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
  fonts-wqy-microhei clang-format clang-14 libclang-rt-14-dev llvm-14)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
