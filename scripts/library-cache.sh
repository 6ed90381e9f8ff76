# Sourced by the library builders (build-windows-deps.sh, build-web-deps.sh): a cache of libraries
# built from the archives in third_party/, outside the clone, one folder per key. Each library is a
# step with a marker file, so a build cut short resumes at the library it stopped at. The builder
# sets root, jobs and steps, calls open_library_cache, defines cmake_library (configure, build and
# install one CMake project for its target) and build_STEP for each step of its own, and ends with
# build_library_steps; the recipes below serve every target alike. Standard output carries only the install prefix, for the caller
# to capture; progress goes to the caller's standard error, the rest to the cache's log.

# open_library_cache FOLDER KIND: sets cache and prefix; prints the prefix and exits when every
# step is built, else opens the log.
open_library_cache() {
  cache="$1"
  prefix="$cache/prefix"
  # One builder per cache: a second one (the web test's fixture beside a developer's build) waits
  # here, then finds the libraries built, instead of unpacking them again under the first.
  mkdir -p "$cache"
  exec 9>"$cache/lock"
  flock 9
  local library done_steps=0
  for library in "${steps[@]}"; do
    [ -f "$cache/$library.done" ] && done_steps=$((done_steps + 1))
  done
  if [ "$done_steps" -eq ${#steps[@]} ]; then
    echo "$prefix"
    exit 0
  fi
  mkdir -p "$cache/src" "$cache/build" "$prefix"
  local log="$cache/build.log"
  echo "Building the $2 libraries into $cache (log: $log)" >&2
  exec 3>&1 4>&2 1>>"$log" 2>&1
}

unpack() { rm -rf "$cache/src/$1"; tar -xJf "$root/third_party/$1.tar.xz" -C "$cache/src"; }

# licence ARCHIVE FILE...: copies the licence files of an unpacked archive into prefix/licences.
licence() {
  local archive=$1
  shift
  mkdir -p "$prefix/licences"
  for file in "$@"; do
    cp "$cache/src/$archive/$file" "$prefix/licences/${archive%%-[0-9]*}-$(basename "$file")"
  done
}

# install_libopenmpt ARCHIVE LIBS: libopenmpt's own makefile builds no install tree; its headers,
# static library and a pkg-config file naming LIBS go into the prefix.
install_libopenmpt() {
  local source="$cache/src/$1" version="${1#libopenmpt-}"
  mkdir -p "$prefix/include/libopenmpt" "$prefix/lib/pkgconfig"
  cp "$source"/libopenmpt/{libopenmpt.h,libopenmpt.hpp,libopenmpt_config.h,libopenmpt_version.h,libopenmpt_ext.h,libopenmpt_ext.hpp} \
    "$prefix/include/libopenmpt/"
  cp "$source/bin/libopenmpt.a" "$prefix/lib/"
  printf '%s\n' "Name: libopenmpt" "Description: Tracker module player based on OpenMPT" "Version: $version" \
    "Cflags: -I$prefix/include" "Libs: -L$prefix/lib $2" > "$prefix/lib/pkgconfig/libopenmpt.pc"
  licence "$1" LICENSE
}

build_libdeflate() {
  unpack libdeflate-1.25
  cmake_library libdeflate "$cache/src/libdeflate-1.25" -DLIBDEFLATE_BUILD_SHARED_LIB=OFF \
    -DLIBDEFLATE_BUILD_GZIP=OFF -DLIBDEFLATE_BUILD_TESTS=OFF
  licence libdeflate-1.25 COPYING
}

# The PNG reader's fallback for files its own inflater does not take.
build_libpng() {
  unpack libpng-1.6.58
  cmake_library libpng "$cache/src/libpng-1.6.58" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_TOOLS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$prefix" -DSKIP_INSTALL_FILES=ON
  licence libpng-1.6.58 LICENSE
}

build_freetype() {
  unpack freetype-2.13.3
  cmake_library freetype "$cache/src/freetype-2.13.3" -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  licence freetype-2.13.3 LICENSE.TXT docs/FTL.TXT
}

step() { echo "== $1 $(date -u +%T)" >&4; }

# Builds each step not built yet, in order, then hands the prefix to the caller.
build_library_steps() {
  local library
  for library in "${steps[@]}"; do
    [ -f "$cache/$library.done" ] && continue
    step "$library"
    "build_${library//-/_}"
    touch "$cache/$library.done"
  done
  rm -rf "$cache/build" "$cache/src"
  touch "$cache/done"
  step done
  echo "$prefix" >&3
}
