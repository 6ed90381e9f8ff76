#!/usr/bin/env bash
# The web build's capture: plays build-web/ in headless Chromium (SwiftShader's WebGL2) and writes
# the demo's lines and stills as nerethval-capture does (--help for the options).
set -euo pipefail
cd "$(dirname "$0")/.."
# Chromium's DevTools through websocket-client, the stills through Pillow: Debian's, so Debian's Python.
bash scripts/install-packages.sh chromium-headless-shell python3 python3-websocket python3-pil >&2
exec /usr/bin/python3 tools/web-capture/web_capture.py "$@"
