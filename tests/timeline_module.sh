#!/usr/bin/env bash
# The timeline module as an independent reader sees it: openmpt123 must find 21 orders, a length
# of about 197.49 s at 44.1 kHz (414 720 frames an order) and nothing but silence.
# Called with the build directory and the source directory.
set -euo pipefail
build=$1
module=$build/data/sync.xm
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v openmpt123 >/dev/null || fail "openmpt123 is not installed (scripts/setup.sh installs it)"
[ -s "$module" ] || fail "$module was not written by the build"

info=$(openmpt123 --info "$module")
echo "$info"
grep -Eq '^Orders\.+: 21$' <<<"$info" || fail "expected 21 orders"
# --info measures at openmpt123's own 48 kHz, where a tick is 1176 frames: 3:17.568.
grep -Eq '^Duration\.+: 03:17\.5[0-9]{2}$' <<<"$info" || fail "expected a length of about 3:17.5"

pcm=$(mktemp)
trap 'rm -f "$pcm"' EXIT
openmpt123 --batch --quiet --stdout --samplerate 44100 --channels 1 --no-float --dither 0 \
  --ctl play.at_end=stop "$module" >"$pcm"
frames=$(( $(stat -c %s "$pcm") / 2 ))
echo "frames at 44100 Hz: $frames"
[ "$frames" -eq $((21 * 414720)) ] || fail "expected 21 x 414720 frames (197.49 s), got $frames"
if [ -n "$(tr -d '\000' <"$pcm" | head -c 1)" ]; then
  fail "the timeline module is not silent"
fi
echo "sync.xm: 21 orders, $frames frames, silent"
