#!/usr/bin/env bash
# Orvalt.dll exports exactly its entry (under three names) and DllMain, and
# imports only system DLLs, so it loads on a stock Windows.
set -eu
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&/^[ \t]*\[/{print $NF} f&&!/^[ \t]*\[/{f=0}' <<<"$dump" | sort | tr '\n' ' ')
expected="DllMain MAIN VSTPluginMain main "
if [ "$exports" != "$expected" ]; then echo "exports: '$exports', expected '$expected'"; exit 1; fi
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
for dll_name in $imports; do
  case $dll_name in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|MSVCRT.DLL|COMCTL32.DLL|ADVAPI32.DLL|MSIMG32.DLL) ;;
    *) echo "imports a non-system DLL: $dll_name (all: $imports)"; exit 1 ;;
  esac
done
echo "exports: $exports; imports: $imports"
