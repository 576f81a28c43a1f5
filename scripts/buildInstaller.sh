#!/usr/bin/env bash
# Builds the Windows installer Orvalt-<version>-setup.exe with NSIS from the
# release builds of both architectures (packaging/windows/Orvalt.nsi says what
# it installs where). Same commit, same bytes: makensis stores no time stamps
# of its own, and the staged files carry SOURCE_DATE_EPOCH.
# Usage: buildInstaller.sh <win32 build folder> <win64 build folder> <output folder>
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
win32=$(cd "$1" && pwd)
win64=$(cd "$2" && pwd)
out=$(mkdir -p "$3" && cd "$3" && pwd)
version=$(head -n 1 "$root/VERSION")
: "${SOURCE_DATE_EPOCH:?set SOURCE_DATE_EPOCH to the time of the release}"

stage=$(dirname "$win64")/installer-staging
rm -rf "$stage"
defines=()
vst3=1 clap=1
for arch in win32 win64; do
  build=$win32; [ $arch = win64 ] && build=$win64
  mkdir -p "$stage/$arch"
  cp "$build/product/Orvalt.dll" "$stage/$arch/"
  inner=$(find "$build/Orvalt.vst3/Contents" -name Orvalt.vst3 -type f 2>/dev/null | head -n 1)
  if [ -n "$inner" ]; then cp "$inner" "$stage/$arch/"; else vst3=0; fi
  if [ -f "$build/clap/Orvalt.clap" ]; then cp "$build/clap/Orvalt.clap" "$stage/$arch/"; else clap=0; fi
done
[ $vst3 = 1 ] && defines+=(-DHAVE_VST3)
[ $clap = 1 ] && defines+=(-DHAVE_CLAP)
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

exe=$out/Orvalt-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$exe" "${defines[@]}" \
  "$root/packaging/windows/Orvalt.nsi"
echo "$exe"
