#!/usr/bin/env bash
# Makes build-web/: the demo for a web browser (nerethval.js and .wasm), its content packs with
# packs.json, and the page. Installs Emscripten and Chromium from Debian, builds the native tree
# first (its content and the tool that lists the packs run at build time) and the pinned
# libraries in third_party/ once per machine (scripts/build-web-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
bash scripts/install-packages.sh "${web_packages[@]}"
# Debian's emcc looks for its node modules there even when another node is first on the PATH.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
# Each emcc call is a Python process: the system's own, not whatever python3 is first on the PATH
# (a version manager's shim costs a process of its own per call).
export EMSDK_PYTHON=/usr/bin/python3

[ -f build/data/content.stamp ] && [ -x build/nerethval-web-packs ] || bash scripts/setup.sh
prefix="$(bash scripts/build-web-deps.sh)"

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
# Configured each time: a new pin or patch moves the libraries to another cache folder.
cmake -S . -B build-web/cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DNERETHVAL_WEB_DEPS="$prefix" > /dev/null
cmake --build build-web/cmake -j "${NERETHVAL_JOBS:-2}" --target nerethval
cp build-web/cmake/nerethval.js build-web/cmake/nerethval.wasm build-web/

# The content packs: each a NAME.js that the page loads before nerethval.js, and its NAME.data.
# The first holds what a picture up to the design's 1280 x 720 reads; each further one, what a
# picture up to its scale reads beyond the packs before it.
rm -f build-web/*.data build-web/packs.json
entries=()
while read -r name above files; do
  # file_packager reads "a@b" as a file a mounted as b; "@@" is a plain "@".
  files=${files//@/@@}
  # shellcheck disable=SC2086 # one word a file
  (cd build/data && "$EMSDK_PYTHON" /usr/share/emscripten/tools/file_packager.py "../../build-web/$name.data" \
    --preload $files --js-output="../../build-web/$name.js" --no-node > /dev/null)
  bytes=$(stat -c %s "build-web/$name.data")
  entries+=("{\"script\": \"$name.js\", \"bytes\": $bytes, \"above\": $above}")
done < <(cd build/data && ../nerethval-web-packs)
(IFS=,; echo "[${entries[*]}]") | sed 's/},{/},\n {/g' > build-web/packs.json

cp src/web/page/* build-web/
echo "build-web/"
