#!/usr/bin/env bash
# Sets everything up, then runs every tier (quick, full, platform, fuzz; the web build is the web
# test's fixture); with --quick, only the tests that take seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") tier=() ;;
  --quick) tier=(-L quick) ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac
scripts/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)" "${tier[@]}"
