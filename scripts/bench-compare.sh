#!/usr/bin/env bash
# Benches the draw layer against drawing every call (--draw-all), or with --against DIR against
# another build's draw layer (DIR holds its nerethval-capture and its data/), and prints the ratio
# per scene. The runs alternate (all, layer, layer, all, ...) so that a machine busy with something
# else weighs on both alike; each figure is the lowest that scene showed over the rounds. CPU time
# is the whole process's, the rasteriser's threads included.
#   scripts/bench-compare.sh [--rounds N] [--against DIR] [capture options...]   e.g. --fps 60 --seconds 40
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=1
against=
while [ "${1:-}" = --rounds ] || [ "${1:-}" = --against ]; do
  if [ "$1" = --rounds ]; then rounds=$2; else against=$(cd "$2" && pwd); fi
  shift 2
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=()
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a -s "-screen 0 1280x720x24")

bench() {
  local mode=$1 round=$2
  shift 2
  local extra=() build=$root/build
  if [ "$mode" = all ] && [ -n "$against" ]; then
    build=$against
  elif [ "$mode" = all ]; then
    extra=(--draw-all)
  fi
  echo "bench-compare: round $round, $( [ "$mode" = layer ] && echo layer || echo "${against:---draw-all}")" >&2
  (cd "$build/data" && "${run[@]}" ../nerethval-capture "$@" "${extra[@]}" \
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
done | awk -F'|' -v reference="$([ -n "$against" ] && echo before || echo all)" '
  function low(key, value) { if (!(key in best) || value < best[key]) best[key] = value }
  { if (!($2 in seen)) { seen[$2] = 1; order[++n] = $2 }
    low($1 "|" $2 "|med", $3); low($1 "|" $2 "|p99", $4); low($1 "|" $2 "|cmed", $5); low($1 "|" $2 "|cp99", $6) }
  END {
    printf "%-10s %21s %21s %21s %21s\n", "", "wall median ms", "wall p99 ms", "cpu median ms", "cpu p99 ms"
    printf "%-10s", "scene"
    for (i = 0; i < 4; ++i) printf " %7s %7s %5s", reference, "layer", "ratio"
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
