#!/usr/bin/env bash
# The VST 3 bundle in real hosts and tools. Usage:
#   vst3Hosts.sh apply BUNDLE RENDERER VST3APPLY   our host renders bit-identical to orvalt-render
#   vst3Hosts.sh validator BUNDLE VALIDATOR        the conformance checker's full run passes, the plug-in silent
#   vst3Hosts.sh scan BUNDLE                       Ardour 7's scanner finds the processor
#   vst3Hosts.sh wine BUNDLE VST3APPLY WINBUNDLE WINVST3APPLY
#                                                  a Windows build under Wine (WINEPREFIX/WINEARCH set by
#                                                  the caller) gives the native build's bits
# Exit 77 (skipped) when a tool is missing.
set -euo pipefail
mode=$1 bundle=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/orvalt-vst3-hosts-XXXXXX)
trap 'rm -rf "$work"' EXIT
# No user's defaults file reaches the plug-in.
mkdir -p "$work/config" "$work/home"
export XDG_CONFIG_HOME="$work/config"
fail() { echo "FAIL: $*"; exit 1; }

case "$mode" in
apply)
  renderer=$3 apply=$4
  [ -x "$renderer" ] || fail "no renderer at $renderer"
  python3 "$here/../lv2/floatWav.py" write "$work/in.wav"
  # Settings as the renderer takes them, and the same texts through the controller.
  while IFS='|' read -r flags settings; do
    # shellcheck disable=SC2086
    "$renderer" "$work/in.wav" "$work/ren.wav" --bits float --quiet --json "$work/ren.json" \
      $(for s in $settings; do printf -- '--set %s ' "$s"; done)
    # shellcheck disable=SC2086
    "$apply" "$bundle" "$work/in.wav" "$work/vst3.wav" $settings $flags || fail "vst3apply $settings $flags"
    python3 "$here/../lv2/floatWav.py" compare "$work/ren.wav" "$work/vst3.wav" "$work/ren.json" ||
      fail "settings: ${settings:-defaults} ${flags}"
    echo "identical: ${settings:-defaults} ${flags}"
  done <<'SETTINGS'
|
|warm=on
--double|warm=on input=6.1 limit=-3.25 bass=4 makeup=on
--block 37|warm=on input=6.1 limit=-3.25 bass=4 makeup=on
|clip=off drive=-6.02
SETTINGS
  ;;
validator)
  validator=$3
  [ -x "$validator" ] || { echo "SKIP: no validator at $validator"; exit 77; }
  "$validator" -e "$bundle" >"$work/out" 2>"$work/err" || { tail -40 "$work/out"; cat "$work/err"; fail "validator"; }
  grep -E '^Result|tests passed' "$work/out" | tail -2
  # The plug-in writes nothing of its own: every stderr line is the checker's.
  if [ -s "$work/err" ]; then cat "$work/err"; fail "output on stderr"; fi
  grep -q 'tests failed' "$work/out" && ! grep -q ' 0 tests failed' "$work/out" && fail "failed tests"
  ;;
scan)
  scanner=/usr/lib/ardour7/ardour-vst3-scanner
  [ -x "$scanner" ] || { echo "SKIP: Ardour 7's VST 3 scanner is not installed (ardour)"; exit 77; }
  export HOME="$work/home"
  cp -r "$bundle" "$work/Orvalt.vst3"
  LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -f "$work/Orvalt.vst3" >"$work/out" 2>&1 || { cat "$work/out"; fail "the scanner"; }
  cat "$work/out"
  cache=$(find "$work" -name '*.v3i' | head -1)
  [ -n "$cache" ] || fail "no scan result"
  grep -q 'Quillmarsh' "$cache" && grep -q 'Orvalt' "$cache" && grep -q 'Fx|Dynamics' "$cache" || fail "the scan result: $(cat "$cache")"
  ;;
wine)
  apply=$3 winBundle=$4 winApply=$5
  command -v wine >/dev/null || { echo "SKIP: wine is not installed"; exit 77; }
  python3 "$here/../lv2/floatWav.py" write "$work/in.wav"
  for flags in "" "--double" "--block 37"; do
    # shellcheck disable=SC2086
    "$apply" "$bundle" "$work/in.wav" "$work/native.wav" warm=on input=6.1 limit=-3.25 bass=4 makeup=on $flags
    # shellcheck disable=SC2086
    wine "$winApply" "Z:$winBundle" "Z:$work/in.wav" "Z:$work/win.wav" warm=on input=6.1 limit=-3.25 bass=4 makeup=on $flags ||
      fail "the Windows build does not run ($flags)"
    cmp "$work/native.wav" "$work/win.wav" || fail "the Windows build's output differs ($flags)"
    echo "identical: $flags"
  done
  ;;
*) echo "usage: $0 apply|validator|scan|wine BUNDLE ..."; exit 2 ;;
esac
echo "ok"
