#!/usr/bin/env bash
# Runs a test with an X display: the one we have, or a fresh Xvfb with Mesa's software OpenGL.
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "with-display: no DISPLAY and no xvfb-run; install xvfb (scripts/setup.sh does)" >&2
  exit 1
fi
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1280x720x24" "$@"
