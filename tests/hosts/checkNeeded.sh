#!/usr/bin/env bash
# The Linux plug-in needs xcb for its editor and nothing a stock desktop lacks:
# no toolkit, no font library, no extension library. Usage: checkNeeded.sh Orvalt.so
set -eu
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
expected="libc.so.6 libgcc_s.so.1 libm.so.6 libstdc++.so.6 libxcb.so.1 "
[ "$needed" = "$expected" ] || { echo "Orvalt.so needs: $needed (expected: $expected)"; exit 1; }
echo "Orvalt.so needs: $needed"
