#!/usr/bin/env bash
# Builds the Win64 libraries the demo links, from the archives in third_party/, once per machine.
# Prints the install prefix. The cache lives outside the clone, keyed by the archives, this
# toolchain file, the compiler and the recipe number below (raise it when a build flag changes),
# so a new pin or compiler builds afresh. A build cut short resumes at the library it stopped at.
# SFML, FreeType, libopenmpt and libdeflate are linked statically; OpenAL Soft and mpg123 (LGPL)
# stay DLLs the user may replace. Every library carries the C and C++ runtimes statically, so the
# zip needs no libstdc++, libgcc or winpthread DLL.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${NERETHVAL_JOBS:-2}"
host=x86_64-w64-mingw32
cc="$host-gcc-posix"
cxx="$host-g++-posix"

recipe=1
key="$( (cd "$root" && sha256sum third_party/*.tar.xz cmake/mingw-w64.cmake
         "$cxx" --version | head -1; echo "recipe $recipe") | sha256sum | cut -c1-16)"
steps=(libdeflate zlib libpng freetype sfml mpg123 openal-soft libopenmpt)
source "$root/scripts/library-cache.sh"
open_library_cache "${NERETHVAL_WIN64_CACHE:-/var/cache/nerethval-win64}/$key" Win64

runtime_flags="-static-libgcc -static-libstdc++ -static"
cmake_library() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$cache/build/$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DNERETHVAL_WIN64_DEPS="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_SHARED_LINKER_FLAGS="$runtime_flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$runtime_flags" "$@"
  cmake --build "$cache/build/$name" -j "$jobs"
  cmake --install "$cache/build/$name"
}

build_zlib() {
  unpack zlib-1.3.1
  cmake_library zlib "$cache/src/zlib-1.3.1" -DZLIB_BUILD_EXAMPLES=OFF
  # Static only, under the name every find module looks for first.
  mv "$prefix/lib/libzlibstatic.a" "$prefix/lib/libz.a"
  rm -f "$prefix/lib/libzlib.dll.a" "$prefix/bin/libzlib.dll"
  licence zlib-1.3.1 LICENSE
}

build_sfml() {
  unpack SFML-2.5.1
  cmake_library sfml "$cache/src/SFML-2.5.1" -DBUILD_SHARED_LIBS=OFF -DSFML_USE_SYSTEM_DEPS=ON \
    -DSFML_BUILD_AUDIO=OFF -DSFML_BUILD_NETWORK=OFF -DSFML_BUILD_EXAMPLES=OFF -DSFML_BUILD_DOC=OFF \
    -DFREETYPE_INCLUDE_DIR_ft2build="$prefix/include/freetype2" \
    -DFREETYPE_INCLUDE_DIR_freetype2="$prefix/include/freetype2" \
    -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a"
  # The installed config names Windows' GL library as on a case-insensitive file system.
  sed -i 's/"OpenGL32"/"opengl32"/' "$prefix/lib/cmake/SFML/SFMLConfigDependencies.cmake"
  licence SFML-2.5.1 license.md
}

build_mpg123() {
  unpack mpg123-1.33.5
  cmake_library mpg123 "$cache/src/mpg123-1.33.5/ports/cmake" -DBUILD_SHARED_LIBS=ON \
    -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF
  licence mpg123-1.33.5 COPYING
}

build_openal_soft() {
  unpack openal-soft-1.23.1
  cmake_library openal-soft "$cache/src/openal-soft-1.23.1" -DLIBTYPE=SHARED -DALSOFT_UTILS=OFF \
    -DALSOFT_EXAMPLES=OFF -DALSOFT_INSTALL_EXAMPLES=OFF -DALSOFT_INSTALL_UTILS=OFF \
    -DALSOFT_INSTALL_CONFIG=OFF -DALSOFT_INSTALL_HRTF_DATA=OFF -DALSOFT_INSTALL_AMBDEC_PRESETS=OFF \
    -DALSOFT_UPDATE_BUILD_VERSION=OFF -DALSOFT_BACKEND_SDL2=OFF
  licence openal-soft-1.23.1 COPYING
}

build_libopenmpt() {
  unpack libopenmpt-0.7.9
  make -C "$cache/src/libopenmpt-0.7.9" -j "$jobs" CONFIG=mingw-w64 WINDOWS_ARCH=amd64 \
    MINGW_FLAVOUR=-posix AR=$host-ar SHARED_LIB=0 STATIC_LIB=1 EXAMPLES=0 OPENMPT123=0 TEST=0
  install_libopenmpt libopenmpt-0.7.9 "-lopenmpt -lole32 -lrpcrt4"
}

build_library_steps
