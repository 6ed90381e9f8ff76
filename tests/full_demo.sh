#!/usr/bin/env bash
# The whole demo, first frame to "end?" (about 3 min 18 s): the real binary with the real content and
# timeline module, run from the data directory as a viewer would. Checks its console and exit status.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
data=$build/data

for file in sync.xm nerethval_dream.mp3 Quillon8.ttf credits.png gantz.png; do
  if [ ! -f "$data/$file" ]; then
    echo "full_demo: $data/$file is missing; build the content and sync.xm first"
    exit 1
  fi
done

transcript=$(mktemp)
trap 'rm -f "$transcript"' EXIT
# A stalled timeline would keep the window black for ever; the demo itself is well under 4 minutes.
(cd "$data" && exec timeout 420 "$build/nerethval") >"$transcript"
status=$?
if [ "$status" -ne 0 ]; then
  echo "full_demo: the demo exited with status $status"
  tail -n 20 "$transcript"
  exit 1
fi

awk '
  function fail(message) { print "full_demo: " message; failed = 1 }
  { line[NR] = $0 }
  NR == 1 && $0 != "created render window" { fail("line 1 is \"" $0 "\"") }
  NR == 2 && $0 != "" { fail("line 2 is not blank") }
  NR == 3 && $0 != "generic data loaded" { fail("line 3 is \"" $0 "\"") }
  NR <= 3 { next }
  /^scene [0-9][0-9]$/ {
    ++scenes
    expected = sprintf("scene %02d", scenes)
    if ($0 != expected) fail("line " NR " is \"" $0 "\" where \"" expected "\" was due")
    at[$0] = NR
    next
  }
  $0 == "HEJ!!!" { ++hej; hejAt = NR; next }
  $0 == "bubbles" {
    if (!("scene 05" in at) || ("scene 11" in at)) fail("\"bubbles\" outside scenes 05 to 10, line " NR)
    next
  }
  $0 == "done" {
    if (!("scene 11" in at) || numbers) fail("\"done\" outside scene 11, line " NR)
    ++dones
    next
  }
  /^[0-9]+(\.[0-9]+)?(e-[0-9]+)?$/ {
    if (!("scene 11" in at)) fail("a number before scene 11, line " NR)
    ++numbers
    next
  }
  $0 == "end?" { ++ends; endAt = NR; next }
  { fail("unexpected line " NR ": \"" $0 "\"") }
  END {
    if (scenes != 11) fail(scenes + 0 " scene lines instead of 11")
    if (hej != 1) fail("\"HEJ!!!\" printed " hej + 0 " times")
    else if (hejAt < at["scene 05"] || !("scene 06" in at) || hejAt > at["scene 06"]) fail("\"HEJ!!!\" not within scene 05")
    if (dones == 0) fail("scene 11 never printed \"done\"")
    if (numbers == 0) fail("the flash scene printed no jitter timer")
    if (ends != 1 || endAt != NR) fail("\"end?\" is not the one last line")
    if (!failed) printf "full_demo: %d lines, %d done, %d flash values, ends with end?\n", NR, dones, numbers
    exit failed
  }
' "$transcript"
