#!/usr/bin/env bash
# Serves build-web/ (made by scripts/build-web.sh) on http://127.0.0.1:PORT/ (8080 unless given),
# for a browser on this machine. Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8080}
case "$port" in
  ''|*[!0-9]*) echo "usage: scripts/serve-web.sh [PORT]" >&2; exit 2 ;;
esac
[ -f build-web/index.html ] || { echo "serve-web: no build-web/index.html: run scripts/build-web.sh first" >&2; exit 1; }
bash scripts/install-packages.sh python3
exec python3 tools/web-capture/serve.py build-web "$port"
