#!/usr/bin/env bash
# The capture tool is deterministic: two whole runs of the demo at one frame rate print the same
# console, see the same orders and write the same stills, byte for byte (the random sequence is
# never seeded and the clock is the fixed step). The second run draws every call as the scenes make
# it (--draw-all), so the draw layer of the first must give every frame the same pixels: their
# hashes are compared frame by frame. 10 fps keeps the two whole runs short.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
tool=$build/nerethval-capture
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The middle of each scene's first order (four bars, 9.412 s, each) and of the black order 19.
times=$(awk 'BEGIN { n = split("0 1 2 3 4 6 8 10 12 14 16 17 18 19", o, " ");
                     for (i = 1; i <= n; ++i) printf "%s%g", (i > 1 ? "," : ""), (o[i] + 0.5) * 9.412 }')

for run in first second; do
  mkdir -p "$work/$run"
  drawAll=()
  [ "$run" = second ] && drawAll=(--draw-all)
  if ! (cd "$build/data" && "$tool" --fps 10 --orders "$work/$run/orders.txt" --stills "$work/$run/stills" \
          --at "$times" --hashes "$work/$run/hashes.txt" "${drawAll[@]}") \
          >"$work/$run/stdout.txt" 2>"$work/$run/stderr.txt"; then
    echo "capture_determinism: the $run run failed:"
    tail -n 5 "$work/$run/stderr.txt"
    echo "0 passed, 1 failed"
    exit 1
  fi
done

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "capture_determinism: FAILED: $what"
  fi
}

# Only whole runs with real pictures make the comparison worth anything.
check "the first run ends with end?" test "$(tail -n 1 "$work/first/stdout.txt")" = "end?"
check "the first run wrote 14 stills" test "$(ls "$work/first/stills" | wc -l)" -eq 14
png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }
for still in "$work/first/stills/"*.png; do
  check "$(basename "$still") is a PNG file" png "$still"
done

check "identical standard output" cmp -s "$work/first/stdout.txt" "$work/second/stdout.txt"
check "identical orders" cmp -s "$work/first/orders.txt" "$work/second/orders.txt"
check "one hash per frame" test "$(wc -l <"$work/first/hashes.txt")" -eq "$(wc -l <"$work/first/orders.txt")"
differing=$(paste -d ' ' "$work/first/hashes.txt" "$work/second/hashes.txt" | awk '$1 != $2 { print NR }')
check "every frame identical with --draw-all (frames differing: $(echo $differing | cut -c1-80))" \
  test -z "$differing"
for still in "$work/first/stills/"*.png; do
  name=$(basename "$still")
  check "identical still $name" cmp -s "$still" "$work/second/stills/$name"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
