#!/usr/bin/env bash
# Builds the libraries the browser build links, with emcc, from the archives in third_party/,
# once per machine. Prints the install prefix. The cache lives outside the clone, keyed by the
# archives, SFML's patch set for the web, the emcc version and the recipe number below (raise it
# when a build flag changes). A build cut short resumes at the library it stopped at.
# Everything is static; emscripten's own OpenAL stands in for OpenAL Soft, and no emscripten
# port is used (Debian's emscripten has a frozen cache that cannot build them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${NERETHVAL_JOBS:-2}"
# Debian's emcc looks for its node modules there even when another node is first on the PATH.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
# Each emcc call is a Python process: the system's own, not whatever python3 is first on the PATH
# (a version manager's shim costs a process of its own per call).
export EMSDK_PYTHON=/usr/bin/python3
toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake

recipe=1
key="$( (cd "$root" && sha256sum third_party/*.tar.xz third_party/patches/sfml-2.5.1-web/*.patch
         emcc --version | sed -n 1p; echo "recipe $recipe") | sha256sum | cut -c1-16)"
steps=(libdeflate zlib libpng freetype mpg123 libopenmpt sfml)
source "$root/scripts/library-cache.sh"
open_library_cache "${NERETHVAL_WEB_CACHE:-/var/cache/nerethval-web}/$key" web

cmake_library() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$cache/build/$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
  cmake --build "$cache/build/$name" -j "$jobs"
  cmake --install "$cache/build/$name"
}

build_zlib() {
  unpack zlib-1.3.1
  # Its CMake build names the static and the (here also static) shared library both libz.a.
  (cd "$cache/src/zlib-1.3.1" && emconfigure ./configure --static --prefix="$prefix" &&
     emmake make -j "$jobs" install)
  licence zlib-1.3.1 LICENSE
}

build_mpg123() {
  unpack mpg123-1.33.5
  # CMake's size probe reads emscripten's off_t as 9 bytes; it is 8.
  cmake_library mpg123 "$cache/src/mpg123-1.33.5/ports/cmake" -DBUILD_LIBOUT123=OFF \
    -DBUILD_PROGRAMS=OFF -DHAVE_MPG123_SIZEOF_OFF_T=TRUE -DMPG123_SIZEOF_OFF_T=8
  licence mpg123-1.33.5 COPYING
}

build_libopenmpt() {
  unpack libopenmpt-0.7.9
  make -C "$cache/src/libopenmpt-0.7.9" -j "$jobs" CONFIG=emscripten SHARED_LIB=0 STATIC_LIB=1 \
    EXAMPLES=0 OPENMPT123=0 TEST=0
  install_libopenmpt libopenmpt-0.7.9 "-lopenmpt"
}

build_sfml() {
  unpack SFML-2.5.1
  for patch in "$root"/third_party/patches/sfml-2.5.1-web/*.patch; do
    patch -d "$cache/src/SFML-2.5.1" -p1 --no-backup-if-mismatch < "$patch"
  done
  cmake_library sfml "$cache/src/SFML-2.5.1" -DSFML_OPENGL_ES=ON -DSFML_USE_SYSTEM_DEPS=ON \
    -DSFML_BUILD_AUDIO=OFF -DSFML_BUILD_NETWORK=OFF -DSFML_BUILD_EXAMPLES=OFF -DSFML_BUILD_DOC=OFF \
    -DFREETYPE_INCLUDE_DIR_ft2build="$prefix/include/freetype2" \
    -DFREETYPE_INCLUDE_DIR_freetype2="$prefix/include/freetype2" \
    -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a"
  licence SFML-2.5.1 license.md
}

build_library_steps
