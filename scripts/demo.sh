#!/usr/bin/env bash
# Sets everything up, then plays the demo (Escape ends it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build/data
exec ../nerethval
