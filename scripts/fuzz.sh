#!/usr/bin/env bash
# Fuzzes the PNG reader, the audio stand-in (MP3 and module bytes, from memory and from a file)
# and the capture's command line with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]   each target SECONDS (default 600) from its corpus
#   bash scripts/fuzz.sh --coverage [TARGET...]  line coverage of each target's corpus
#
# Targets: png mp3 module capture_options. Needs clang 14, ffmpeg and a native build's content in
# build/data/ (scripts/setup.sh): its timeline module is a seed. Builds into build-fuzz/ (and
# build-fuzz-coverage/); each corpus grows in build-fuzz/corpus/TARGET/ from run to run. A crash,
# a hang of 10 s or a leak stops the run with its input in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
content=${NERETHVAL_CONTENT:-$source/build/data}
coverage=false
seconds=600
if [ "${1:-}" = --coverage ]; then
  coverage=true
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(png mp3 module capture_options)
[ -f "$content/sync.xm" ] || { echo "fuzz: no content in $content (run scripts/setup.sh)" >&2; exit 1; }

build() {
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DNERETHVAL_FUZZ=ON "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" >/dev/null
}

# A few small files of each kind: PNG files of every colour type, RGBA the content's kind.
seed() {
  local seeds=$source/build-fuzz/seeds
  [ -d "$seeds" ] && return
  mkdir -p "$seeds"/{png,mp3,module,capture_options}
  local format
  for format in rgba gray pal8 rgb24 rgb48be ya8 gray16be monob; do
    ffmpeg -loglevel error -f lavfi -i testsrc2=size=12x8 -frames:v 1 -pix_fmt "$format" -pred mixed \
      "$seeds/png/$format.png"
  done
  # Larger, so that the image data takes dynamic codes; and stored, not compressed.
  ffmpeg -loglevel error -f lavfi -i testsrc2=size=64x48 -frames:v 1 -pix_fmt rgba "$seeds/png/rgba-dynamic.png"
  ffmpeg -loglevel error -f lavfi -i testsrc2=size=12x8 -frames:v 1 -pix_fmt rgba -compression_level 0 \
    "$seeds/png/rgba-stored.png"
  cp "$source/tests/data/tone441.mp3" "$seeds/mp3/"
  # Odd lengths are read from a file, even ones from memory.
  head -c 2001 "$source/tests/data/tone441.mp3" >"$seeds/mp3/tone441-start.mp3"
  cp "$content/sync.xm" "$seeds/module/"
  (cat "$content/sync.xm" && printf '\0') >"$seeds/module/sync-padded.xm"
  printf -- '--from\0%s\0--seconds\0%s\0--stills\0out\0--at\0%s' 63 0.5 63.25 >"$seeds/capture_options/stills"
  printf -- '--fps\0%s\0--bench\0b.json\0--size\0%s' 30000/1001 1920x1080 >"$seeds/capture_options/bench"
  printf -- '--frames\0f\0--every\0%s\0--hashes\0h.txt\0--draw-all' 4 >"$seeds/capture_options/frames"
}

if $coverage; then
  build build-fuzz-coverage -DNERETHVAL_FUZZ_COVERAGE=ON
  audio=$(echo src/audio/*.cpp)
  declare -A sources=([png]="src/runtime/png_file.cpp src/runtime/zlib_rules.cpp" [mp3]="$audio"
    [module]="$audio" [capture_options]="tools/capture/options.cpp src/runtime/command_line.cpp")
  for target in "${targets[@]}"; do
    profile=build-fuzz-coverage/$target
    rm -f "$profile".profraw
    LLVM_PROFILE_FILE=$profile.profraw build-fuzz-coverage/tests/fuzz/fuzz_$target -runs=0 \
      build-fuzz/corpus/$target build-fuzz/seeds/$target >/dev/null 2>&1
    llvm-profdata-14 merge -o "$profile.profdata" "$profile.profraw"
    llvm-cov-14 report build-fuzz-coverage/tests/fuzz/fuzz_$target -instr-profile="$profile.profdata" \
      ${sources[$target]} | awk -v t="$target" '$1 ~ /cpp$/ {print t ": " $(NF-3) " of " $(NF-5) " lines (" $(NF-4) " missed) in " $1}'
  done
  exit 0
fi

build build-fuzz
seed
mkdir -p build-fuzz/findings
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  log=build-fuzz/$target.log
  : >"$log"
  # Rounds of at most a minute.
  end=$((SECONDS + seconds))
  while [ "$SECONDS" -lt "$end" ]; do
    round=$((end - SECONDS < 60 ? end - SECONDS : 60))
    if ! build-fuzz/tests/fuzz/fuzz_$target -max_total_time="$round" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" "$corpus" "build-fuzz/seeds/$target" \
      >>"$log" 2>&1; then
      tail -40 "$log" >&2
      echo "fuzz: $target found a fault; its input is in build-fuzz/findings/" >&2
      exit 1
    fi
  done
  runs=$(awk '/stat::number_of_executed_units/ {sum += $2} END {print sum}' "$log")
  cov=$(grep -o 'DONE *cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  echo "$target: $seconds s, $runs runs, $(ls "$corpus" | wc -l) inputs in its corpus, $cov coverage points"
done
