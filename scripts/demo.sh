#!/usr/bin/env bash
# Installs only what the demo needs on Debian 12, builds the demo and its content, then plays it
# (Escape ends it; options are the demo's, see README.md). The tests and tools are
# scripts/setup.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-packages.sh "${demo_packages[@]}"

# A first configuration leaves the tests out (they need GoogleTest); one made by scripts/setup.sh
# keeps them.
first=()
[ -f build/CMakeCache.txt ] || first=(-DNERETHVAL_TESTS=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${first[@]}"
cmake --build build -j "$(nproc)" --target demo
cd build/data
exec ../nerethval "$@"
