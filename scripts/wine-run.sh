#!/usr/bin/env bash
# Runs a Windows executable under Wine in the test run's private prefix.
# The test command sets WINEPREFIX and DISPLAY; alone, this falls back to a prefix under build/.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
