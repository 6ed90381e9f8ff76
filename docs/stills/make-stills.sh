#!/usr/bin/env bash
# Makes the README's strip: one still per scene, captured from the real content at 60 fps by
# build/nerethval-capture and scaled to 320 x 180. Each still is its own run that starts at its
# moment (--from), so no frame before it is drawn. Run after the build (scripts/setup.sh); the one
# argument, if given, is another build directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

# Timeline second of each still, one per scene: a moment where the scene shows its own picture.
names=(scene-01 scene-02 scene-03 scene-04 scene-05 scene-06 scene-07 scene-08 scene-09 scene-10 scene-11 flash credits)
times=(3.50 12.91 23.52 32.94 42.35 61.17 80.00 98.82 117.64 136.47 154.59 163.00 172.92)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build/data"
for time in "${times[@]}"; do
  capture=("$build/nerethval-capture" --fps 60 --from "$time" --seconds "$time" --stills "$work" --at "$time")
  if [ -n "${DISPLAY:-}" ]; then
    "${capture[@]}" >/dev/null
  else
    xvfb-run -a -s "-screen 0 1280x720x24" "${capture[@]}" >/dev/null
  fi
done
for i in "${!names[@]}"; do
  ffmpeg -v error -nostdin -y -i "$work/${times[$i]}.png" -vf scale=320:180 "$root/docs/stills/${names[$i]}.png"
done
