#!/usr/bin/env bash
# tier: fuzz
# The fuzz targets, a minute each from their corpora (scripts/fuzz.sh runs longer campaigns).
set -euo pipefail
build=$1
source=$2
NERETHVAL_CONTENT=$build/data bash "$source/scripts/fuzz.sh" 60
