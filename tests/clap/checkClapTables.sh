#!/usr/bin/env bash
# The Windows Orvalt.clap exports exactly clap_entry and imports only system
# DLLs, so that it loads on a stock Windows.
# Usage: checkClapTables.sh <Orvalt.clap> <objdump>
set -eu
clap=$1 objdump=$2
dump=$("$objdump" -p "$clap")
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&/^[ \t]*\[/{print $NF} f&&!/^[ \t]*\[/{f=0}' <<<"$dump" | sort | tr '\n' ' ')
[ "$exports" = "clap_entry " ] || { echo "exports: '$exports', expected 'clap_entry '"; exit 1; }
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
for name in $imports; do
  case $name in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|MSVCRT.DLL|COMCTL32.DLL|ADVAPI32.DLL|MSIMG32.DLL) ;;
    *) echo "imports a non-system DLL: $name (all: $imports)"; exit 1 ;;
  esac
done
echo "exports: $exports; imports: $imports"
