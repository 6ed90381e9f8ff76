#!/usr/bin/env bash
# tier: platform
# The demo end to end, on its real binary, under the private X server that with-display.sh
# provides: a short timeline runs to "end?", Escape and a close request end it early, without
# sync.xm it stays black until Escape, without any X display it says so and stops, its options are
# read before anything else, and the picture is framed in any screen or window.
# Only the runtime's own lines are checked.
# Called with the build directory and the source directory.
set -uo pipefail
build=$1
source=$2
# Escape goes to whatever X server $DISPLAY names: only ever to one of our own.
if [ -z "${NERETHVAL_PRIVATE_DISPLAY:-}" ] || [ "$NERETHVAL_PRIVATE_DISPLAY" != "${DISPLAY:-}" ]; then
  exec "$source/tests/with-display.sh" bash "$0" "$@"
fi
demo=$build/nerethval
title="Vesmira Crew - Nereth//Val"
work=$(mktemp -d)
pid=""
source "$source/tests/support/check.sh"
give_up_logs="$work/*/stdout $work/*/stderr"

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

[ -x "$demo" ] || give_up "no demo binary at $demo"
command -v xdotool >/dev/null || give_up "xdotool is not installed (scripts/setup.sh installs it)"
cc -O1 -o "$work/x11-probe" "$source/tests/data/x11_probe.c" -lX11 || give_up "cannot build the X11 probe"

# A working directory like build/data: every content file linked in, sync.xm left out.
stage() {
  local dir=$work/$1
  mkdir -p "$dir"
  for file in "$build"/data/*; do
    [ "$(basename "$file")" = sync.xm ] || ln -s "$file" "$dir/"
  done
  echo "$dir"
}

# The viewer's options for the demos started from here on.
demo_args=()

# Starts the demo in $1, with the environment settings that follow, if any.
start_demo() {
  local dir=$1
  shift
  (cd "$dir" && exec env "$@" "$demo" "${demo_args[@]}" >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
}

# Waits up to $2 seconds for the demo to print line $1.
wait_for_line() {
  local dir=$1 line=$2 seconds=$3
  for _ in $(seq $((seconds * 10))); do
    grep -qxF "$line" "$dir/stdout" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || give_up "the demo exited before printing \"$line\""
    sleep 0.1
  done
  give_up "no \"$line\" within $seconds s"
}

# Waits up to $1 seconds for the demo to exit and sets status to its exit status.
wait_for_exit() {
  local seconds=$1
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && give_up "the demo was still running after $seconds s"
  wait "$pid"
  status=$?
  pid=""
}

demo_window() {
  local window
  window=$(xdotool search --name "$title" | head -n 1)
  [ -n "$window" ] || give_up "no window titled \"$title\""
  echo "$window"
}

# Escape is sampled while events are drained, so hold it and move the pointer to make events.
press_escape() {
  xdotool mousemove 640 360 keydown Escape sleep 0.3 mousemove 600 300 sleep 0.3 mousemove 640 360 sleep 0.3 keyup Escape
}

# Waits for the demo to end after $1 (Escape, a close request) and checks it ended cleanly,
# short of "end?".
expect_clean_end() {
  local cause=$1
  wait_for_exit 15
  [ "$status" -eq 0 ] || give_up "exit status $status after $cause"
  check "after $cause, the demo's lines up to then, no \"end?\"" transcript "$dir/stdout" cut
}

# Starts the demo on the real timeline in a fresh directory $dir and waits until it runs.
start_on_timeline() {
  dir=$(stage "$1")
  ln -s "$build/data/sync.xm" "$dir/sync.xm"
  start_demo "$dir"
  wait_for_line "$dir" "generic data loaded" 60
  sleep 1
}

# Prints the window's size and the box of its lit pixels once scene 01's verse is up and still
# (it holds for two bars at full strength), then ends the demo.
caption_box() {
  start_on_timeline "caption-$1"
  wait_for_line "$dir" "scene 01" 30
  # The verse fades in over a bar (2.35 s) and holds until 7 s.
  sleep 3
  local window last="" box
  window=$(demo_window)
  # A window reaching past the screen's edge cannot be read back: with no window manager to place
  # it, put it in the corner.
  xdotool windowmove "$window" 0 0
  for _ in $(seq 80); do
    box=$("$work/x11-probe" lit "$window") || give_up "cannot read the window"
    [ "$box" = "$last" ] && [ "${box#* * }" != none ] && break
    last=$box
    sleep 0.25
  done
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
  echo "$box"
}

if [ "${3:-}" = caption-box ]; then
  demo_args=("${@:4}")
  caption_box "$(basename "$DISPLAY")"
  exit 0
fi

# OpenAL's backend for each run: the machine's own (no device here, so silence), then its null
# device, which plays in real time, so the demo's output stream is used on every machine.
for backend in "" null; do
  echo "1. a short timeline walks orders 0 to 20 and ends with \"end?\" (OpenAL backend: ${backend:-default})"
  dir=$(stage "short${backend}")
  # 0.64 s an order: long enough that even slow software-rendered frames cannot skip order 20.
  "$build/tools/sync/make-sync" "$dir/sync.xm" 8 4 125 || give_up "make-sync failed"
  if [ -n "$backend" ]; then start_demo "$dir" ALSOFT_DRIVERS="$backend"; else start_demo "$dir"; fi
  wait_for_exit 90
  [ "$status" -eq 0 ] || give_up "exit status $status"
  check "the demo's lines, ending with one \"end?\"" transcript "$dir/stdout" end
  if [ -n "$backend" ] && grep -q "no sound device" "$dir/stderr"; then
    give_up "the null device was not used"
  fi
done

echo "2. Escape ends the demo during its timeline"
start_on_timeline escape
demo_window >/dev/null
press_escape
expect_clean_end Escape

echo "3. a close request ends the demo"
start_on_timeline close
"$work/x11-probe" close "$(demo_window)" || give_up "cannot send the close request"
expect_clean_end "the close request"

echo "4. without sync.xm the window stays black and Escape still ends the demo"
dir=$(stage without-module)
start_demo "$dir"
wait_for_line "$dir" "generic data loaded" 60
sleep 2
window=$(demo_window)
for point in "640 360" "100 100" "1180 620"; do
  # shellcheck disable=SC2086
  pixel=$("$work/x11-probe" pixel "$window" $point) || give_up "cannot read the window"
  [ "$pixel" = "0 0 0" ] || give_up "pixel $point is $pixel, not black"
done
press_escape
expect_clean_end "Escape without a module"

echo "5. without an X display the demo says so in one line and ends with status 1; its options need none"
dir=$(stage no-display)
(cd "$dir" && exec env -u DISPLAY "$demo" >"$dir/stdout" 2>"$dir/stderr")
status=$?
[ "$status" -eq 1 ] || give_up "exit status $status without a display"
[ -s "$dir/stdout" ] && give_up "standard output without a display: $(head -n 1 "$dir/stdout")"
[ "$(wc -l <"$dir/stderr")" -eq 1 ] && grep -q "X display" "$dir/stderr" ||
  give_up "not one line about the X display on standard error"
# The options are read first: help, the version and a mistake need no display and open no window.
(cd "$dir" && exec env -u DISPLAY "$demo" --help >"$dir/help" 2>"$dir/stderr")
[ $? -eq 0 ] && grep -q "^usage: nerethval " "$dir/help" && grep -q -- "--windowed" "$dir/help" ||
  give_up "--help without a display does not print the usage with status 0"
[ "$(env -u DISPLAY "$demo" --version)" = "nerethval 1.0.0" ] || give_up "--version is not \"nerethval 1.0.0\""
for bad in "--size 1600" "--vsync maybe" "--fullscreen" "--desktop --windowed"; do
  # shellcheck disable=SC2086
  (cd "$dir" && exec env -u DISPLAY "$demo" $bad >"$dir/stdout" 2>"$dir/stderr")
  status=$?
  [ "$status" -eq 2 ] || give_up "exit status $status for the options $bad"
  [ -s "$dir/stdout" ] && give_up "standard output for the options $bad"
  [ "$(wc -l <"$dir/stderr")" -eq 1 ] && grep -q "^nerethval: " "$dir/stderr" ||
    give_up "not one line on standard error for the options $bad"
done

echo "6. on a screen without a 1280 x 720 mode the picture fills it at 16:9, centred between black bars"
read -r width height left top right bottom <<<"$(caption_box design)"
[ "$width $height" = "1280 720" ] || give_up "the window is $width x $height on a 1280 x 720 screen"
[ -n "${bottom:-}" ] || give_up "no verse on the 1280 x 720 screen"
read -r wide_width wide_height wide_left wide_top wide_right wide_bottom \
  <<<"$(NERETHVAL_SCREEN=1920x1200x24 "$source/tests/with-display.sh" bash "$0" "$build" "$source" caption-box)"
[ "$wide_width $wide_height" = "1920 1200" ] || give_up "the window is $wide_width x $wide_height on a 1920 x 1200 screen"
[ -n "${wide_bottom:-}" ] || give_up "no verse on the 1920 x 1200 screen"
# $1 output pixels a design pixel and $2 rows of black above the picture: the verse's centre
# lands there to a pixel or two, and its size to within a few percent (it is set at the larger
# size, not magnified, so its glyphs' advances round differently). The box to check follows.
check_edges() {
  awk -v s="$1" -v bar="$2" -v l="$left" -v t="$top" -v r="$right" -v b="$bottom" \
      -v L="$3" -v T="$4" -v R="$5" -v B="$6" 'BEGIN {
    dx = (L + R) / 2 - s * (l + r) / 2; dy = (T + B) / 2 - (bar + s * (t + b) / 2)
    sw = (R - L) / (s * (r - l)); sh = (B - T) / (s * (b - t))
    exit !(dx * dx <= 4 && dy * dy <= 4 && sw > 0.96 && sw < 1.04 && sh > 0.9 && sh < 1.1) }'
}
check_edges 1.5 60 "$wide_left" "$wide_top" "$wide_right" "$wide_bottom" ||
  give_up "the verse is at $wide_left $wide_top $wide_right $wide_bottom on 1920 x 1200, not centred at 1.5 times $left $top $right $bottom below 60 rows of black"

echo "7. --windowed --size 1600x900 opens a window of that size with the picture framed in it"
read -r window_width window_height window_left window_top window_right window_bottom \
  <<<"$(NERETHVAL_SCREEN=1920x1080x24 "$source/tests/with-display.sh" bash "$0" "$build" "$source" caption-box \
        --windowed --size 1600x900)"
[ "$window_width $window_height" = "1600 900" ] || give_up "the window is $window_width x $window_height, not 1600 x 900"
[ -n "${window_bottom:-}" ] || give_up "no verse in the 1600 x 900 window"
check_edges 1.25 0 "$window_left" "$window_top" "$window_right" "$window_bottom" ||
  give_up "the verse is at $window_left $window_top $window_right $window_bottom in the window, not at 1.25 times $left $top $right $bottom"

finish
