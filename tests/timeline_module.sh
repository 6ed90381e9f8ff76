#!/usr/bin/env bash
# tier: quick
# The timeline module as an independent reader sees it: openmpt123 must find the timeline's orders,
# each as long as the timeline says at 44.1 kHz, and nothing but silence.
# Called with the build directory and the source directory.
set -euo pipefail
build=$1
source "$(dirname "$0")/support/check.sh"
module=$build/data/$(timeline timelineModuleFile)
orderSamples=$(timeline orderSamples)
orders=$(($(timeline endOrder) + 1))

command -v openmpt123 >/dev/null || give_up "openmpt123 is not installed (scripts/setup.sh installs it)"
[ -s "$module" ] || give_up "$module was not written by the build"

info=$(openmpt123 --info "$module")
echo "$info"
grep -Eq "^Orders\.+: $orders\$" <<<"$info" || give_up "expected $orders orders"
# --info measures at openmpt123's own 48 kHz, where a tick is 1176 frames: 3:17.568.
grep -Eq '^Duration\.+: 03:17\.5[0-9]{2}$' <<<"$info" || give_up "expected a length of about 3:17.5"

pcm=$(mktemp)
trap 'rm -f "$pcm"' EXIT
openmpt123 --batch --quiet --stdout --samplerate 44100 --channels 1 --no-float --dither 0 \
  --ctl play.at_end=stop "$module" >"$pcm"
frames=$(( $(stat -c %s "$pcm") / 2 ))
echo "frames at 44100 Hz: $frames"
check "$orders orders of $orderSamples frames, $frames in all" test "$frames" -eq $((orders * orderSamples))
check "nothing but silence" test -z "$(tr -d '\000' <"$pcm" | head -c 1)"
finish
