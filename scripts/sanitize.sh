#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/, then
# runs the test suite, the demo on a short timeline and the capture tool on it, each on its own
# private Xvfb. Any sanitizer report fails the run: leaks, memory errors and undefined behaviour
# all end the process with an error. Mesa's software driver is kept loaded to the end of every
# window process (tests/sanitize/keep_gl_driver.c.in), so its own blocks are not reported as
# leaks from an unknown module; nothing is suppressed.
# Needs the packages that scripts/setup.sh installs. Takes a while: the sanitized content
# generator and the whole-demo tests run several times slower.
set -uo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
build=$source/build-sanitize

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERETHVAL_SANITIZE=ON || exit 1
cmake --build "$build" -j "$(nproc)" || exit 1

export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=()

echo "== the test suite"
(cd "$build" && ctest --output-on-failure -j "$(nproc)") || failures+=("the test suite")

# Runs "$@" in $work/$name on a private X server; fails on a bad exit status or any sanitizer line.
run_program() {
  local name=$1 expected=$2
  shift 2
  local dir=$work/$name
  (cd "$dir" && "$source/tests/with-display.sh" "$@" >"$dir/stdout" 2>"$dir/stderr")
  local status=$?
  if [ "$status" -ne "$expected" ] || grep -qE "Sanitizer|runtime error" "$dir/stderr"; then
    echo "FAILED: $name (exit status $status)"
    grep -A 30 -E "Sanitizer|runtime error" "$dir/stderr" | head -n 60
    failures+=("$name")
  else
    echo "clean: $name (exit status $status)"
  fi
}

# A working directory like build/data with a short timeline: 21 orders of 0.64 s.
short=$work/short
mkdir -p "$short"
for file in "$build"/data/*; do ln -s "$file" "$short/"; done
rm -f "$short/sync.xm"
"$build/tools/sync/make-sync" "$short/sync.xm" 8 4 125 >/dev/null || exit 1
for name in demo capture; do
  mkdir -p "$work/$name"
  ln -s "$short"/* "$work/$name/"
done

echo "== the demo on a short timeline"
run_program demo 0 "$build/nerethval"
[ "$(tail -n 1 "$work/demo/stdout")" = "end?" ] || { echo "FAILED: the demo did not end with \"end?\""; failures+=("demo end"); }

echo "== the capture tool on the short timeline: stills, frames, video and bench"
run_program capture 0 "$build/nerethval-capture" --fps 30 --stills "$work/capture/stills" --at 2,6,12 \
  --frames "$work/capture/frames" --every 60 --video "$work/capture/run.mp4" --bench "$work/capture/bench.json"

if [ ${#failures[@]} -gt 0 ]; then
  echo "sanitize: FAILED: ${failures[*]}"
  exit 1
fi
echo "sanitize: clean (the test suite, the demo and the capture tool under ASan and UBSan)"
