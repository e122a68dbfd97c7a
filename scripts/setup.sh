#!/usr/bin/env bash
# Installs everything Tunemark needs to build, run and test on Debian 12. Safe to run again.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  fonts-liberation fonts-wqy-microhei
  python3 python3-mutagen id3v2 strace
  xvfb xdotool x11-utils imagemagick desktop-file-utils librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
