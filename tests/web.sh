#!/usr/bin/env bash
# tier: platform
# The web build (build-web/, made by its CTest fixture, scripts/build-web.sh) in headless
# Chromium on SwiftShader, against the native build: on the fixed-step clock it prints the native
# capture's lines byte for byte and draws its stills within a rounding step; in real time with
# autoplay allowed it shows every scene in order, each order lasting the timeline's order length; without autoplay it
# waits for a click, then plays, and Escape ends it and its sound.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$source/tests/support/check.sh"
[ -f "$source/build-web/index.html" ] || give_up "no build-web/index.html: run scripts/build-web.sh (the web_build fixture) first"
web_capture() { bash "$source/scripts/web-capture.sh" "$@"; }

echo "1. the fixed-step clock, as the native capture"
# 10000/1001 frames a second: a frame spans 4414.41 samples, so the module must carry the
# fraction from frame to frame exactly as the capture does, in a run of 1900 frames that
# SwiftShader draws in minutes; its flash prints frame times of 0.1001.
fps=10000/1001
# The middle of each order before the end, scene 01's caption fading in and the flash's first moments.
order=$(timeline orderSeconds)
times=$(awk -v order="$order" -v end="$(timeline endOrder)" \
  'BEGIN { for (o = 0; o < end; ++o) printf "%g,", (o + 0.5) * order; printf "1.5,160.3" }')
(cd "$build/data" && "$build/nerethval-capture" --fps "$fps" --stills "$work/native" --at "$times") \
  >"$work/native.txt" 2>"$work/native.err" || give_up "the native capture failed" "$work/native.err"
web_capture --fps "$fps" --stills "$work/web" --at "$times" >"$work/web.txt" 2>"$work/web.err"
status=$?
check "the web capture succeeds (status $status)" test "$status" -eq 0
[ "$status" -eq 0 ] || tail -n 20 "$work/web.err"
check "it plays to end?" test "$(tail -n 1 "$work/web.txt")" = "end?"
check "its $(wc -l <"$work/web.txt") lines are the native capture's $(wc -l <"$work/native.txt"), byte for byte" \
  cmp -s "$work/native.txt" "$work/web.txt"
check "22 stills" test "$(ls "$work/web" | wc -l)" -eq 22
for still in "$work"/native/*.png; do
  name=$(basename "$still")
  check "still $name matches the native one ($(/usr/bin/python3 "$source/tests/data/png_difference.py" "$still" \
    "$work/web/$name" 2>&1 | tail -n 1))" /usr/bin/python3 "$source/tests/data/png_difference.py" --check 16 45 "$still" \
    "$work/web/$name"
done

echo "2. in real time, autoplay allowed"
web_capture --realtime >"$work/realtime.txt" 2>"$work/realtime.err"
status=$?
check "the real-time run plays to its end (status $status)" test "$status" -eq 0
check "its last line is end?" test "$(tail -n 1 "$work/realtime.txt" | cut -f 4)" = "end?"
check "every scene line, in order" test "$(cut -f 4 "$work/realtime.txt" | grep -x 'scene [0-9]*' | paste -sd ' ')" = \
  "$(printf 'scene %02d ' $(seq 11) | sed 's/ $//')"
# Where each order starts: scene 01 to 11 at orders 0 to 16, the flash's first frame time (a bare
# number) at order 17, end? at order 20. Timed by the page's audio clock: headless Chromium's
# stand-in for a sound card keeps it, and on a busy machine it runs up to a tenth slower than the
# wall clock, the music and the timeline with it. An order began after the frame before the line
# started and before the line: each span, divided by its orders, gives the shortest and longest
# an order can have lasted, and the order's length +/- 0.15 s must lie between them. The first
# line has no frame before it: the music may have started its order well before a busy machine
# drew that first frame.
lengths=$(awk -F '\t' '
  function mark(order, line, before) {
    if (before == "-") before = -1e9
    if (marks++) printf "%d-%d:%.3f:%.3f ", start, order, (before - then) / (order - start), (line - since) / (order - start)
    if (line == "-") line = -1e9
    start = order; since = before; then = line
  }
  BEGIN { split("0 1 2 3 4 6 8 10 12 14 16", first, " ") }
  $4 ~ /^scene [0-9][0-9]$/ { scene = substr($4, 7) + 0; mark(first[scene], $2, $3) }
  scene == 11 && !flash && $4 ~ /^[0-9.e-]+$/ { flash = 1; mark(17, $2, $3) }
  $4 == "end?" { mark(20, $2, $3) }' "$work/realtime.txt")
check "every order lasts $order +/- 0.15 s (orders: shortest:longest $lengths)" awk -v spans="$lengths" -v order="$order" 'BEGIN {
  n = split(spans, span, " "); good = n == 12
  for (i = 1; i <= n; ++i) { split(span[i], part, ":"); good = good && part[2] <= order + 0.15 && part[3] >= order - 0.15 }
  exit !good }'

echo "3. in real time, waiting for a click, ended by Escape"
# Until scene 02 (order 1 starts one order in by the audio clock, which may run slow), then Escape.
web_capture --realtime --click --seconds 14 --escape >"$work/click.txt" 2>"$work/click.err"
status=$?
check "the run with a click succeeds (status $status)" test "$status" -eq 0
[ "$status" -eq 0 ] || tail -n 5 "$work/click.err"
clicked=$(sed -n 's/^web-capture: clicked at \([0-9.]*\) s$/\1/p' "$work/click.err")
started=$(awk -F '\t' '$4 == "generic data loaded" { print $1; exit }' "$work/click.txt")
check "the page waited for the click (clicked at ${clicked:-never} s, started at ${started:-never} s)" \
  awk -v clicked="$clicked" -v started="$started" 'BEGIN { exit !(clicked != "" && started != "" && started >= clicked) }'
check "then played to scene 02" grep -qxP '[0-9.]+\t[0-9.]+\t[0-9.]+\tscene 02' "$work/click.txt"
# The stream is scheduled seconds ahead: the page must silence it when the demo ends early.
check "Escape ends it, and its sound with it" grep -qx 'web-capture: ended by Escape, sound closed' "$work/click.err"

finish
