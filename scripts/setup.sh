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
  fonts-yanone-kaffeesatz  # the caption font
  clang-14 libclang-rt-14-dev llvm-14  # scripts/fuzz.sh: libFuzzer, the sanitizers, llvm-cov
  pulseaudio pulseaudio-utils  # tests/sound_server.sh: a private sound server to take away
)

bash scripts/install-packages.sh "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
