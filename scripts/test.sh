#!/usr/bin/env bash
# Sets everything up, then runs every tier (quick, full, platform, fuzz; the web build is the web
# test's fixture); with --quick, only the tests that take seconds.
# On a new machine the Windows and web libraries are most of a whole run's work, so that run starts
# building them at once, in the background, beside the native build and the other tests; the
# platform tests then find them built, or wait for them (each cache takes one builder at a time),
# and one more test than there are cores runs meanwhile, so that the waiting ones leave no core idle.
# A library that fails in the background is built again, and reported, by the test that needs it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
case "${1:-}" in
  "") tier=() jobs=$((jobs + 1)) ;;
  --quick) tier=(-L quick) ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac
if [ ${#tier[@]} -eq 0 ]; then
  source scripts/packages.sh
  bash scripts/install-packages.sh "${demo_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}" \
    "${web_packages[@]}"
  mkdir -p build
  builders=()
  for builder in build-windows-deps build-web-deps; do
    setsid bash "scripts/$builder.sh" >/dev/null 2>"build/$builder.log" &
    builders+=("$!")
  done
  # Cut short (the tests stopped), a builder stops with its compilers; it resumes next time.
  trap 'for group in "${builders[@]}"; do kill -- "-$group" 2>/dev/null || true; done' EXIT
fi
scripts/setup.sh
cd build
ctest --output-on-failure -j "$jobs" "${tier[@]}"
