#!/usr/bin/env bash
# tier: quick
# The release as a viewer gets it: installed into a fresh prefix, the demo and the capture find their
# content from any folder, a folder holding some content is used as it is; cpack makes the .deb, whose
# dependencies name every library the binaries need, and the release archive with its .nfo.
# Arguments: build directory, source directory, and "packages" for the cpack checks alone.
set -uo pipefail
build=$(cd "$1" && pwd)
part=${3:-install}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

source "$(dirname "$0")/support/check.sh"
# Runs $2... from folder $1 and keeps its exit status, standard output and standard error.
run_from() {
  local dir=$1
  shift
  (cd "$dir" && exec timeout 120 "$@") >"$work/stdout" 2>"$work/stderr"
  status=$?
}
no_errors() { ! grep -q "^Error while loading" "$work/stdout"; }

if [ "$part" = install ]; then
echo "1. cmake --install puts the programs in bin/ and the content in share/nerethval/"
cmake --install "$build" --prefix "$prefix" >/dev/null || give_up "cmake --install failed"
check "bin/ holds the two programs" test -x "$prefix/bin/nerethval" -a -x "$prefix/bin/nerethval-capture"
expected=$(cd "$build/data" && ls | grep -vxE 'contact-sheet.png|content.stamp')
check "share/nerethval/ holds the 50 content files, the denser image files and the font's licence, nothing else" \
  test "$(ls "$prefix/share/nerethval")" = "$expected" -a "$(echo "$expected" | grep -vc @)" -eq 51
# 0.64 s an order, so the installed demo reaches "end?" in about 13 s.
"$build/tools/sync/make-sync" "$prefix/share/nerethval/sync.xm" 8 4 125 || give_up "make-sync failed"

echo "2. started from /, the installed demo finds its content, says so once and plays to \"end?\""
run_from / "$prefix/bin/nerethval"
check "exit status 0" test "$status" -eq 0
check "the demo's lines, ending with end?" transcript "$work/stdout" end
check "every content file loaded" no_errors
check "one line on standard error names the content folder" \
  test "$(grep -c "^nerethval: .*$prefix/share/nerethval\$" "$work/stderr")" -eq 1

echo "3. the installed capture finds the same content"
run_from / "$prefix/bin/nerethval-capture" --fps 10
check "capture: exit status 0" test "$status" -eq 0
check "capture: the demo's lines, ending with end?" transcript "$work/stdout" end
check "capture: every content file loaded" no_errors
check "capture: one line names the content folder" \
  test "$(grep -c "^nerethval-capture: .*$prefix/share/nerethval\$" "$work/stderr")" -eq 1

echo "4. a folder holding some of the content is used as it is"
mkdir "$work/some"
cp "$prefix/share/nerethval/sync.xm" "$prefix/share/nerethval/black.png" "$work/some/"
run_from "$work/some" "$prefix/bin/nerethval"
check "exit status 0" test "$status" -eq 0
check "the demo's lines, ending with end?" transcript "$work/stdout" end
check "the missing font and pictures are reported as ever" \
  test "$(grep -c "^Error while loading" "$work/stdout")" -eq 4
check "no content folder named" bash -c "! grep -q '^nerethval:' '$work/stderr'"

fi

if [ "$part" = packages ]; then
echo "5. cpack makes the .deb and the release archive"
cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 ||
  give_up "cpack failed" "$work/cpack.log"
deb=$(ls "$work/packages"/nerethval_*.deb 2>/dev/null | head -n 1)
archive=$(ls "$work/packages"/nerethval-*.tar.gz 2>/dev/null | head -n 1)
check "a .deb" test -n "$deb"
check "a .tar.gz" test -n "$archive"

# Every library the binaries name themselves must come from a package the .deb's Depends names;
# what those libraries load in turn is their own packages' business. Reading the binaries rather
# than walking the installed packages' dependencies keeps the check free of the machine's dpkg state.
depends=$(dpkg-deb -f "$deb" Depends)
named=$(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*)//; s/:any//; s/ //g' | grep .)
covered=1
dpkg-deb -x "$deb" "$work/unpacked"
for binary in "$work/unpacked/usr/bin/nerethval" "$work/unpacked/usr/bin/nerethval-capture"; do
  needed=$(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for library in $needed; do
    path=$(ldd "$binary" | awk -v name="$library" '$1 == name && $3 ~ /^\// { print $3 }')
    real=$(realpath "${path:-/nonexistent}")
    owner=$(dpkg -S "$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null || dpkg -S "/usr$real" 2>/dev/null)
    owner=${owner%%:*}
    if [ -z "$owner" ] || ! grep -qxF "$owner" <<<"$named"; then
      echo "install: $(basename "$binary") needs $library (${owner:-no package found}), not named by Depends: $depends"
      covered=0
    fi
  done
done
check "the .deb's dependencies name every library the binaries need" test "$covered" -eq 1
contents=$(dpkg-deb -c "$deb")
check "the .deb installs the demo as /usr/bin/nerethval" grep -q ' ./usr/bin/nerethval$' <<<"$contents"
check "the .deb holds the content" grep -q ' ./usr/share/nerethval/sync.xm$' <<<"$contents"

listing=$(tar tzf "$archive")
top=$(basename "$archive" .tar.gz)
for file in nerethval.nfo README.md contact-sheet.png bin/nerethval bin/nerethval-capture share/nerethval/sync.xm \
    share/nerethval/Quillon8-LICENCE.txt; do
  check "the archive holds $file" grep -qxF "$top/$file" <<<"$listing"
done
fi

finish
