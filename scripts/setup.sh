#!/usr/bin/env bash
# Installs what the demo, its tests and tools need on Debian 12, then configures and builds all of
# them (content included).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-packages.sh "${demo_packages[@]}" "${test_packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERETHVAL_TESTS=ON
cmake --build build -j "$(nproc)"
