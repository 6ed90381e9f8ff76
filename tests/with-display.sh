#!/usr/bin/env bash
# Runs a test on its own private X server: a fresh Xvfb with Mesa's software OpenGL, whatever
# $DISPLAY says, so that no test ever opens windows on (or sends keys to) a viewer's screen or
# another test's server. Xvfb picks a free display number itself (-displayfd), so two tests
# started together can never race for one. The server ends with the test.
#
# With --no-display first, it runs the test with no display at all instead: a test program that
# draws nothing must not need one.
set -uo pipefail
if [ "${1:-}" = --no-display ]; then
  shift
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  export TEST_TMPDIR=$dir/tmp
  mkdir "$TEST_TMPDIR"
  env -u DISPLAY -u WAYLAND_DISPLAY "$@"
  exit
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "with-display: Xvfb is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi

dir=$(mktemp -d)
server=""
test=""
stop() {
  for pid in $test $server; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$dir/number"
# -noreset: a test that starts one program after another would otherwise meet the server while it
# resets after the last client left, and the next program finds no display.
# NERETHVAL_SCREEN gives the screen another size, for tests of other screens.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${NERETHVAL_SCREEN:-1280x720x24}" 3>"$dir/number" >"$dir/server.log" 2>&1 &
server=$!
# The server writes its number once it takes connections; if it dies first, the read sees end of file.
read -r -t 60 number <"$dir/number"
if [ -z "${number:-}" ]; then
  echo "with-display: Xvfb did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi

export DISPLAY=":$number"
# Scripts that send input check this before they do, so they only ever reach this server.
export NERETHVAL_PRIVATE_DISPLAY=$DISPLAY
export LIBGL_ALWAYS_SOFTWARE=1
# GoogleTest's TempDir(): this test's own, not the /tmp that other suites running at once share.
export TEST_TMPDIR=$dir/tmp
mkdir "$TEST_TMPDIR"
unset XAUTHORITY
# In the background, so that a timeout's TERM ends the test and the server at once.
"$@" &
test=$!
wait "$test"
status=$?
test=""
exit "$status"
