#!/usr/bin/env bash
# Installs what the demo needs on Debian 12, then configures and builds it (content included).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config git
  libsfml-dev libopenal-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev libpng-dev
  libopenmpt-dev libmpg123-dev libmp3lame-dev libfreetype-dev libdeflate-dev
  libgtest-dev
  xvfb xauth xdotool openmpt123 mpg123 ffmpeg python3
  python3-numpy  # tools/sync/measure_soundtrack.py
  dpkg-dev file  # cpack reads the .deb's dependencies with dpkg-shlibdeps
  fonts-roboto-unhinted
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
