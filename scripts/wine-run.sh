#!/usr/bin/env bash
# Runs a Windows executable under Wine. Usage: wine-run.sh [--arch win32|win64] program [arguments...]
# The prefix gets the architecture explicitly: with Wine's 64-bit loader installed
# a new prefix would otherwise be 64-bit. The test command sets WINEPREFIX (one
# per architecture) and DISPLAY; alone, this falls back to build/wineprefix-<arch>.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
arch=win32
if [ "${1:-}" = "--arch" ]; then
  arch=$2
  shift 2
fi
case $arch in
  win32|win64) ;;
  *) echo "wine-run.sh: unknown architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
esac
export WINEARCH=$arch
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix-$arch}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
