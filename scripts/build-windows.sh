#!/usr/bin/env bash
# Makes build-windows/nerethval-<version>-win64.zip: the demo and the capture cross-built for
# 64-bit Windows with mingw-w64, the DLLs they need, the content, the .nfo and the README.
# Installs the toolchain and Wine from Debian, builds the native tree (its content is the
# same bytes on Windows) and the pinned libraries in third_party/ once per machine.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
bash scripts/install-packages.sh "${windows_packages[@]}"

[ -f build/data/content.stamp ] || bash scripts/setup.sh
prefix="$(bash scripts/build-windows-deps.sh)"

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
if [ ! -f build-windows/CMakeCache.txt ]; then
  launcher=()
  command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # The C and C++ runtimes go into the programs, so that they need no DLL of GCC's.
  cmake -S . -B build-windows -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DNERETHVAL_WIN64_DEPS="$prefix" \
    -DSFML_STATIC_LIBRARIES=TRUE -DCMAKE_EXE_LINKER_FLAGS="-static" \
    -DNERETHVAL_HOST_DATA="$PWD/build/data"
fi
cmake --build build-windows -j "${NERETHVAL_JOBS:-2}" --target nerethval nerethval-capture nerethval-tests

version="$(sed -n 's/^project(nerethval VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
name="nerethval-$version-win64"
folder="build-windows/$name"
rm -rf "$folder" "build-windows/$name.zip"
mkdir -p "$folder/data" "$folder/licences" "$folder/source"
for program in nerethval nerethval-capture; do
  x86_64-w64-mingw32-strip -o "$folder/$program.exe" "build-windows/$program.exe"
done
for library in OpenAL32 libmpg123; do
  x86_64-w64-mingw32-strip -o "$folder/$library.dll" "$prefix/bin/$library.dll"
done
# The same content files the Linux install carries.
(cd build/data && cp ./*.png ./*.ttf ./*.xm ./*.mp3 Quillon8-LICENCE.txt "$OLDPWD/$folder/data/")
rm -f "$folder/data/contact-sheet.png"
cp docs/nerethval.nfo README.md "$folder/"
# A double-click that plays it in a window; Windows wants CR LF in a batch file.
sed 's/$/\r/' docs/nerethval-windowed.bat > "$folder/nerethval-windowed.bat"
cp "$prefix"/licences/* "$folder/licences/"
# OpenAL Soft and mpg123 are LGPL: their sources travel with the DLLs built from them.
cp third_party/openal-soft-1.23.1.tar.xz third_party/mpg123-1.33.5.tar.xz "$folder/source/"
cp third_party/README.md "$folder/source/"
(cd build-windows && zip -qr9 "$name.zip" "$name")
echo "build-windows/$name.zip"
