#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite; with --quick, only the tests that take seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") tier=() ;;
  --quick) tier=(-L quick) ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac
scripts/setup.sh
# The full tier also tests the web build in headless Chromium (tests/web.sh).
[ ${#tier[@]} -gt 0 ] || bash scripts/build-web.sh
cd build
ctest --output-on-failure -j "$(nproc)" "${tier[@]}"
