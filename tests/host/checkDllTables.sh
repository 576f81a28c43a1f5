#!/usr/bin/env bash
# Orvalt.dll exports exactly its entry (under three names) and DllMain, imports
# only system DLLs (so it loads on a stock Windows), is built for the expected
# machine, carries no link time stamp (the same sources give the same bytes), and
# its version block and manifest say the version of the file VERSION and its own
# architecture.
# Usage: checkDllTables.sh <dll> <win32|win64> <VERSION file> [<objdump> <windres>]
# (the tools default to the cross binutils of that architecture).
set -eu
dll=$1 arch=$2 version_file=$3
case $arch in
  win32) tools=i686-w64-mingw32 format=pei-i386 manifest_arch=x86 ;;
  win64) tools=x86_64-w64-mingw32 format=pei-x86-64 manifest_arch=amd64 ;;
  *) echo "unknown architecture '$arch'"; exit 2 ;;
esac
objdump=${4:-$tools-objdump}
windres=${5:-$tools-windres}
fail() { echo "$dll: $*"; exit 1; }

dump=$("$objdump" -p "$dll")
grep -q "file format $format\$" <<<"$dump" || fail "not $format: $(grep -m1 'file format' <<<"$dump")"

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&/^[ \t]*\[/{print $NF} f&&!/^[ \t]*\[/{f=0}' <<<"$dump" | sort | tr '\n' ' ')
expected="DllMain MAIN VSTPluginMain main "
[ "$exports" = "$expected" ] || fail "exports: '$exports', expected '$expected'"

imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
for dll_name in $imports; do
  case $dll_name in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|MSVCRT.DLL|COMCTL32.DLL|ADVAPI32.DLL|MSIMG32.DLL) ;;
    *) fail "imports a non-system DLL: $dll_name (all: $imports)" ;;
  esac
done

# The file header's and the export directory's time stamps.
stamp=$(grep -E '^Time/Date\s+[A-Z]' <<<"$dump" | tr -s '\t ' ' ')
[ "$stamp" = "Time/Date Thu Jan 1 00:00:00 1970" ] || fail "link time stamp present: $stamp"
grep -qE '^Time/Date stamp\s+0$' <<<"$dump" || fail "export directory has a time stamp"

version=$(head -n 1 "$version_file")
IFS=. read -r major minor patch <<<"$version"
resources=$("$windres" -i "$dll" -O rc)
for line in "FILEVERSION $major, $minor, $patch, 0" "PRODUCTVERSION $major, $minor, $patch, 0" \
            "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
            "VALUE \"ProductName\", \"Orvalt\""; do
  grep -qF "$line" <<<"$resources" || fail "version block lacks: $line"
done
manifest_identity=$(grep -F 'name=""Quillmarsh.Orvalt""' <<<"$resources") || fail "no manifest"
grep -qF "version=\"\"$version.0\"\" processorArchitecture=\"\"$manifest_arch\"\"" <<<"$manifest_identity" \
  || fail "manifest identity: $manifest_identity"
[ "$(grep -c "processorArchitecture=\"\"$manifest_arch\"\"" <<<"$resources")" -eq 2 ] \
  || fail "manifest names another architecture"

echo "$format, exports: $exports; imports: $imports; version $version"
