#!/usr/bin/env bash
# tier: platform
# The Windows release under Wine, on the private X server of with-display.sh. scripts/build-windows.sh
# makes the zip (installing the toolchain and Wine, and building the pinned libraries once per
# machine); from the unpacked zip the Windows test program passes, the demo started from another
# folder finds its content and plays a short timeline to "end?" with the Linux demo's lines, and
# the capture prints the same lines and sees the same orders as the Linux capture, with stills
# within a rounding step of Linux's; with hostile content both captures print the same lines, and
# the viewer's options work as on Linux.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
if [ -z "${NERETHVAL_PRIVATE_DISPLAY:-}" ] || [ "$NERETHVAL_PRIVATE_DISPLAY" != "${DISPLAY:-}" ]; then
  exec "$source/tests/with-display.sh" bash "$0" "$@"
fi
work=$(mktemp -d)
# No .NET or HTML engine to install, and no debugger waiting on a crash.
export WINEPREFIX=$source/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=d"
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
source "$source/tests/support/check.sh"
bash "$source/scripts/build-windows.sh" >"$work/build.log" 2>&1 || give_up "build-windows.sh failed" "$work/build.log"
zip=$(tail -n 1 "$work/build.log")
unzip -q "$source/$zip" -d "$work" || give_up "cannot unpack $zip"
release=$(echo "$work"/nerethval-*-win64)
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || give_up "cannot make the Wine prefix $WINEPREFIX"

echo "1. the test program"
(cd "$release" && wine "$source/build-windows/nerethval-tests.exe") >"$work/tests.txt" 2>&1
status=$?
check "the Windows test program passes (exit status $status)" test "$status" -eq 0
check "it ran its tests" grep -q '^\[  PASSED  \] [1-9][0-9]* tests' "$work/tests.txt"
[ "$status" -eq 0 ] || tail -n 30 "$work/tests.txt"

echo "2. the demo from another folder, on a short timeline, as on Linux"
# 0.64 s an order, as in runtime_e2e.sh; the same module for both demos.
"$build/tools/sync/make-sync" "$release/data/sync.xm" 8 4 125 || give_up "make-sync failed"
mkdir -p "$work/linux" "$work/elsewhere"
for file in "$release"/data/*; do ln -s "$file" "$work/linux/"; done
(cd "$work/linux" && "$build/nerethval" >stdout 2>stderr)
check "the Linux demo ends with status 0" test $? -eq 0
# The bare numbers are frame times of the real clock; every other line is the same.
words() { grep -vxE '[0-9.e-]+' "$1"; }
# OpenAL's backend: Wine's own (no sound card here, so the silent clock), then OpenAL Soft's null
# device, which plays in real time, so that the device path runs too.
for backend in "" null; do
  (cd "$work/elsewhere" && env ${backend:+ALSOFT_DRIVERS=$backend} wine "$release/nerethval.exe" >stdout 2>stderr)
  status=$?
  tr -d '\r' <"$work/elsewhere/stdout" >"$work/elsewhere/lines"
  run="the Windows demo (OpenAL backend: ${backend:-default})"
  check "$run ends with status 0 (status $status)" test "$status" -eq 0
  check "$run: the demo's lines, ending with \"end?\"" transcript "$work/elsewhere/lines" end
  check "$run printed the Linux demo's lines" cmp -s <(words "$work/linux/stdout") <(words "$work/elsewhere/lines")
  check "$run found its content beside it" grep -q "no content in the working directory, so reading it from" \
    "$work/elsewhere/stderr"
done
check "the null device was used" bash -c "! grep -q 'no sound device' '$work/elsewhere/stderr'"
rm "$release/data/sync.xm"
unzip -q -o "$source/$zip" "*/data/sync.xm" -d "$work"

echo "3. the capture, as on Linux"
at="5,20,40.5,66,103,150"
linux_capture() {
  (cd "$build/data" && "$build/nerethval-capture" --fps 4 --orders "$work/linux-orders.txt" \
    --stills "$work/linux-stills" --at "$at") >"$work/linux-capture.txt" 2>"$work/linux-capture.err"
}
linux_capture
check "the Linux capture succeeds" test $? -eq 0
(cd "$work" && wine "$release/nerethval-capture.exe" --fps 4 --orders windows-orders.txt \
  --stills windows-stills --at "$at") >"$work/windows-capture.out" 2>"$work/windows-capture.err"
status=$?
tr -d '\r' <"$work/windows-capture.out" >"$work/windows-capture.txt"
tr -d '\r' <"$work/windows-orders.txt" >"$work/windows-orders.lines" 2>/dev/null
check "the Windows capture succeeds (status $status)" test "$status" -eq 0
check "the demo's lines, ending with end?" transcript "$work/windows-capture.txt" end
check "the same lines as the Linux capture" cmp -s "$work/linux-capture.txt" "$work/windows-capture.txt"
check "the same orders, frame by frame" cmp -s "$work/linux-orders.txt" "$work/windows-orders.lines"
for still in "$work"/linux-stills/*.png; do
  name=$(basename "$still")
  # A sine in a different maths library may move in its last bit: a step of a few levels on a
  # few pixels, never a different picture.
  check "still $name matches Linux's ($(/usr/bin/python3 "$source/tests/data/png_difference.py" "$still" \
    "$work/windows-stills/$name" 2>&1))" /usr/bin/python3 "$source/tests/data/png_difference.py" --check "$still" \
    "$work/windows-stills/$name"
done

echo "4. hostile content, as on Linux"
# A damaged black.png (a reserved distance in its image data, the checksum flipped), no white.png,
# a soundtrack whose Info tag claims four billion frames; then a timeline that is no module.
hostile() {
  local folder=$work/hostile-$1
  mkdir -p "$folder"
  cp "$release"/data/* "$folder/"
  cp "$source/tests/data/reserved-distance.png" "$folder/black.png"
  rm "$folder/white.png"
  cp "$source/tests/data/endless-info.mp3" "$folder/nerethval_dream.mp3"
  if [ "$2" = unusable ]; then
    echo "not a module" >"$folder/sync.xm"
  else
    "$build/tools/sync/make-sync" "$folder/sync.xm" 8 4 125 >/dev/null
  fi
  echo "$folder"
}
for timeline in short unusable; do
  linux=$(hostile linux-$timeline $timeline)
  windows=$(hostile windows-$timeline $timeline)
  (cd "$linux" && "$build/nerethval-capture" --fps 4 --seconds 3) >"$linux/out" 2>"$linux/err"
  check "the Linux capture with a $timeline timeline succeeds" test $? -eq 0
  (cd "$windows" && wine "$release/nerethval-capture.exe" --fps 4 --seconds 3) >"$windows/crlf" 2>"$windows/err"
  status=$?
  tr -d '\r' <"$windows/crlf" >"$windows/out"
  check "the Windows capture with a $timeline timeline succeeds (status $status)" test "$status" -eq 0
  check "it prints the Linux capture's lines" cmp -s "$linux/out" "$windows/out"
  for image in black white; do
    check "the captures report $image.png" grep -qx "Error while loading texture $image!" "$linux/out"
  done
done
for system in linux windows; do
  check "$system says the unusable timeline is not a module" \
    grep -q "audio: cannot load the module sync.xm: not a module" "$work/hostile-$system-unusable/err"
done

echo "5. the viewer's options, as on Linux"
(cd "$work" && wine "$release/nerethval.exe" --help) 2>&1 | tr -d '\r' >"$work/help.txt"
check "the zip has the batch file that starts a window" grep -q -- "--windowed" "$release/nerethval-windowed.bat"
check "--help prints the usage" grep -q "^usage: nerethval \[--windowed\]" "$work/help.txt"
(cd "$work" && wine "$release/nerethval.exe" --size 12) >"$work/bad.out" 2>"$work/bad.crlf"
status=$?
tr -d '\r' <"$work/bad.crlf" >"$work/bad.err"
check "a bad size ends with status 2 (status $status) and one line" \
  test "$status" -eq 2 -a "$(grep -c "^nerethval: --size wants WxH" "$work/bad.err")" -eq 1
mkdir -p "$work/windowed"
cp "$release"/data/* "$work/windowed/"
"$build/tools/sync/make-sync" "$work/windowed/sync.xm" 8 4 125 >/dev/null
(cd "$work/windowed" && wine "$release/nerethval.exe" --windowed --size 960x540 --vsync off) >"$work/windowed/crlf" \
  2>"$work/windowed/err"
status=$?
tr -d '\r' <"$work/windowed/crlf" >"$work/windowed/lines"
check "the demo in a 960 x 540 window ends with status 0 (status $status)" test "$status" -eq 0
check "and plays to \"end?\"" transcript "$work/windowed/lines" end
check "with the Linux demo's lines" cmp -s <(words "$work/linux/stdout") <(words "$work/windowed/lines")

finish
