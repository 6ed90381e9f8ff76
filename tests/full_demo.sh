#!/usr/bin/env bash
# tier: full
# The whole demo, first frame to "end?" (about 3 min 18 s): the real binary with the real content and
# timeline module, run from the data directory as a viewer would. Checks its console and exit status.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
data=$build/data
source "$(dirname "$0")/support/check.sh"

for file in $(timeline timelineModuleFile) $(timeline soundtrackFile) $(timeline captionFontFile) credits.png gantz.png; do
  [ -f "$data/$file" ] || give_up "$data/$file is missing; build the content and the timeline module first"
done

lines=$(mktemp)
trap 'rm -f "$lines"' EXIT
# A stalled timeline would keep the window black for ever; the demo itself is well under 4 minutes.
(cd "$data" && exec timeout 420 "$build/nerethval") >"$lines"
status=$?
check "the demo exits with status 0 (status $status)" test "$status" -eq 0
check "its $(wc -l <"$lines") lines are the whole demo's, ending with end?" transcript "$lines" whole
finish
