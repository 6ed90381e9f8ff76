#!/usr/bin/env bash
# Benches the draw layer against drawing every call (--draw-all) and prints the ratio per scene.
# The runs alternate (all, layer, layer, all, ...) so that a machine busy with something else
# weighs on both alike; each figure is the lowest that scene showed over the rounds. CPU time is
# the whole process's, the rasteriser's threads included.
#   scripts/bench-compare.sh [--rounds N] [capture options...]   e.g. --fps 60 --seconds 40
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=1
if [ "${1:-}" = --rounds ]; then
  rounds=$2
  shift 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=()
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a -s "-screen 0 1280x720x24")

bench() {
  local mode=$1 round=$2
  shift 2
  local extra=()
  [ "$mode" = all ] && extra=(--draw-all)
  echo "bench-compare: round $round, $( [ "$mode" = all ] && echo --draw-all || echo layer)" >&2
  (cd "$root/build/data" && "${run[@]}" ../nerethval-capture "$@" "${extra[@]}" \
     --bench "$work/$mode-$round.json" >/dev/null 2>"$work/$mode-$round.log") ||
    { tail -n 5 "$work/$mode-$round.log" >&2; exit 1; }
}

for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then order="all layer"; else order="layer all"; fi
  for mode in $order; do
    bench "$mode" "$round" "$@"
  done
done

# One line per scene and run: mode, scene, median, p99, cpu median, cpu p99.
for json in "$work"/*.json; do
  mode=$(basename "$json" | cut -d- -f1)
  sed -n 's/.*"scene": "\([^"]*\)".*"medianMs": \([0-9.e+-]*\), "p99Ms": \([0-9.e+-]*\),.*"cpuMedianMs": \([0-9.e+-]*\), "cpuP99Ms": \([0-9.e+-]*\)}.*/\1|\2|\3|\4|\5/p' "$json" |
    sed "s/^/$mode|/"
done | awk -F'|' '
  function low(key, value) { if (!(key in best) || value < best[key]) best[key] = value }
  { if (!($2 in seen)) { seen[$2] = 1; order[++n] = $2 }
    low($1 "|" $2 "|med", $3); low($1 "|" $2 "|p99", $4); low($1 "|" $2 "|cmed", $5); low($1 "|" $2 "|cp99", $6) }
  END {
    printf "%-10s %21s %21s %21s %21s\n", "", "wall median ms", "wall p99 ms", "cpu median ms", "cpu p99 ms"
    printf "%-10s", "scene"
    for (i = 0; i < 4; ++i) printf " %7s %7s %5s", "all", "layer", "ratio"
    printf "\n"
    for (i = 1; i <= n; ++i) {
      s = order[i]; printf "%-10s", s
      split("med p99 cmed cp99", f, " ")
      for (j = 1; j <= 4; ++j) {
        a = best["all|" s "|" f[j]]; l = best["layer|" s "|" f[j]]
        printf " %7.2f %7.2f %5.2f", a, l, (a > 0 ? l / a : 0)
      }
      printf "\n"
    }
  }'
