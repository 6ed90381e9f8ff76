#!/usr/bin/env bash
# tier: full
# The capture tool is deterministic, the draw layer changes no pixel of a frame it calls exact and
# stays close on the others, and --from changes nothing it writes. A whole run of the demo and a
# second whole run that draws every call as the scenes make it (--draw-all) print the same lines and
# give every exact frame the same pixels (hashes compared frame by frame); every frame that differs
# is one the layer calls approximate, and those among every 30th frame stay within 12 levels and
# 45 dB of it. Runs that start later (at a scene's first frame, mid-scene, at the flash) print the same
# lines, see the same orders and write the same stills, byte for byte, for every frame they share
# (the random sequence is never seeded and the clock is the fixed step). 10 fps keeps the runs short.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/support/check.sh"
png_difference=$(cd "$(dirname "$0")" && pwd)/data/png_difference.py
tool=$build/nerethval-capture
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The middle of each scene's first order and of the black order 19, and a moment in scene 08's
# second order.
mid08=106.3
times=$(awk -v order="$(timeline orderSeconds)" 'BEGIN { n = split("0 1 2 3 4 6 8 10 12 14 16 17 18 19", o, " ");
                     for (i = 1; i <= n; ++i) printf "%g,", (o[i] + 0.5) * order }')$mid08

# capture NAME [OPTIONS...]: one run from the data directory into $work/NAME.
capture() {
  local run=$1
  shift
  mkdir -p "$work/$run"
  (cd "$build/data" && "$tool" --fps "${fps:-10}" --orders "$work/$run/orders.txt" --stills "$work/$run/stills" "$@") \
    >"$work/$run/stdout.txt" 2>"$work/$run/stderr.txt" || give_up "the $run run failed" "$work/$run/stderr.txt"
}

capture whole --at "$times" --hashes "$work/whole/hashes.txt" --frames "$work/whole/frames" --every 30
whole=$work/whole
capture drawall --at "$times" --hashes "$work/drawall/hashes.txt" --draw-all --frames "$work/drawall/frames" --every 30
# Only a whole run with real pictures makes the comparisons worth anything.
check "the whole run ends with end?" test "$(tail -n 1 "$whole/stdout.txt")" = "end?"
check "the whole run wrote 15 stills" test "$(ls "$whole/stills" | wc -l)" -eq 15
png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }
for still in "$whole/stills/"*.png; do
  check "$(basename "$still") is a PNG file" png "$still"
done

check "--draw-all: identical standard output" cmp -s "$whole/stdout.txt" "$work/drawall/stdout.txt"
check "--draw-all: identical orders" cmp -s "$whole/orders.txt" "$work/drawall/orders.txt"
check "one hash per frame" test "$(wc -l <"$whole/hashes.txt")" -eq "$(wc -l <"$whole/orders.txt")"
# within_bounds RUN REFERENCE NAME: the two runs' frames or stills NAME are alike, or close.
within_bounds() {
  cmp -s "$1/$3" "$2/$3" || /usr/bin/python3 "$png_difference" --check 12 45 "$1/$3" "$2/$3" >/dev/null
}
# compare_frames RUN REFERENCE LABEL: exact frames identical, the approximate ones among the written
# frames close; says how many of each.
compare_frames() {
  local run=$1 reference=$2 label=$3
  check "$label: one hash per frame" test "$(wc -l <"$run/hashes.txt")" -eq "$(wc -l <"$run/orders.txt")"
  local differing approximate frame checked=0
  differing=$(paste -d ' ' "$run/hashes.txt" "$reference/hashes.txt" | awk '$1 != $NF && $2 != "approximate" { print NR }')
  approximate=$(grep -c ' approximate$' "$run/hashes.txt")
  check "$label --draw-all: every exact frame identical ($(($(wc -l <"$run/hashes.txt") - approximate)) exact, $approximate approximate; exact frames differing: $(echo $differing | cut -c1-80))" \
    test -z "$differing"
  for frame in "$run/frames/"*.png; do
    frame=$(basename "$frame")
    [ "$(sed -n "$((10#$(tr -dc 0-9 <<<"$frame")))p" "$run/hashes.txt" | cut -d' ' -f2)" = approximate ] || continue
    checked=$((checked + 1))
    check "$label --draw-all: approximate $frame within 12 levels and 45 dB" within_bounds "$run/frames" "$reference/frames" "$frame"
  done
  echo "$label: $checked approximate frames compared" >&2
}
compare_frames "$whole" "$work/drawall" "1280x720"
for still in "$whole/stills/"*.png; do
  name=$(basename "$still")
  check "--draw-all: still $name identical or within 12 levels and 45 dB" within_bounds "$whole/stills" "$work/drawall/stills" "$name"
done

# At another output size the picture is drawn at that resolution, dense images resampled to it:
# there too the draw layer changes no pixel of an exact frame (2 fps keeps the larger frames quick).
fps=2 capture large --size 1920x1080 --at 141 --hashes "$work/large/hashes.txt" --frames "$work/large/frames" --every 10
fps=2 capture largeall --size 1920x1080 --at 141 --hashes "$work/largeall/hashes.txt" --draw-all --frames "$work/largeall/frames" --every 10
check "1920x1080: the run ends with end?" test "$(tail -n 1 "$work/large/stdout.txt")" = "end?"
check "1920x1080 --draw-all: identical standard output" cmp -s "$work/large/stdout.txt" "$work/largeall/stdout.txt"
compare_frames "$work/large" "$work/largeall" "1920x1080"

# Frame numbers (1-based) where an order first shows, and frame times as --from and --seconds take them.
first_frame() { grep -nx "$1" "$whole/orders.txt" | head -n 1 | cut -d: -f1; }
at_frame() { awk -v f="$1" 'BEGIN { printf "%d.%d", f / 10, f % 10 }'; }
# The whole run's stills from time $1 up to frame $2 (or to the end), as a list for --at.
stills_between() { tr ',' '\n' <<<"$times" | awk -v from="$1" -v to="${2:-1e9}" '$1 >= from && $1 * 10 <= to' | paste -sd,; }
# Lines $1 to $2 of the whole run's standard output ($2 empty: to the end).
whole_lines() { sed -n "$1,${2:-\$}p" "$whole/stdout.txt"; }
line_of() { grep -nxE -e "$1" "$whole/stdout.txt" | head -n 1 | cut -d: -f1; }

# compare NAME FROM_FRAME FIRST_LINE LAST_LINE [LAST_FRAME]: the run NAME against the whole run.
compare() {
  local run=$work/$1 from=$2 first=$3 last=$4 to=${5:-}
  check "$1: the start-up lines" test "$(head -n 3 "$run/stdout.txt")" = "$(head -n 3 "$whole/stdout.txt")"
  check "$1: the same lines from its first frame on" \
    test "$(tail -n +4 "$run/stdout.txt")" = "$(whole_lines "$first" "$last")"
  check "$1: the same orders from its first frame on" \
    test "$(cat "$run/orders.txt")" = "$(sed -n "$from,${to:-\$}p" "$whole/orders.txt")"
  local stills
  stills=$(ls "$run/stills")
  check "$1: its stills" test -n "$stills"
  for still in $stills; do
    check "$1: identical still $still" cmp -s "$run/stills/$still" "$whole/stills/$still"
  done
}

# From scene 05's first frame to the frame before scene 06.
from=$(first_frame 4)
to=$(($(first_frame 6) - 1))
capture scene05 --from "$(at_frame "$from")" --seconds "$(at_frame "$to")" --at "$(stills_between "$(at_frame "$from")" "$to")"
compare scene05 "$from" "$(line_of "scene 05")" "$(($(line_of "scene 06") - 1))" "$to"

# From the middle of scene 08 to the frame before scene 09: every frame there prints "bubbles", so
# the lines are the last ones before "scene 09", one a frame.
from=$(awk -v t="$mid08" 'BEGIN { f = t * 10; print (f == int(f) ? f : int(f) + 1) }')
to=$(($(first_frame 12) - 1))
capture scene08 --from "$mid08" --seconds "$(at_frame "$to")" --at "$mid08"
last=$(($(line_of "scene 09") - 1))
check "scene08: one \"bubbles\" a frame" test "$(sed -n "$((last - to + from)),${last}p" "$whole/stdout.txt" | sort -u)" = bubbles
compare scene08 "$from" "$((last - to + from))" "$last" "$to"

# From the flash's first frame to the end: the flash's timer lines, then "end?".
from=$(first_frame 17)
capture flash --from "$(at_frame "$from")" --at "$(stills_between "$(at_frame "$from")")"
compare flash "$from" "$(line_of '[0-9]+(\.[0-9]+)?(e-[0-9]+)?')" ""

finish
