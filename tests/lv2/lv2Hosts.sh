#!/usr/bin/env bash
# The LV2 bundle in real LV2 hosts and tools. Usage:
#   lv2Hosts.sh schema|info|apply BUNDLE RENDERER
# schema: sord_validate against the LV2 schema files that lv2-dev installs: no error.
# info:   lv2info lists the ports, latency port and presets.
# apply:  lv2apply renders a file bit-identical to orvalt-render with the same settings.
# Exit 77 (skipped) when the tool is not installed.
set -euo pipefail
mode=$1 bundle=$2 renderer=$3
uri=http://www.quillmarsh.com/lv2/Orvalt
work=$(mktemp -d /tmp/orvalt-lv2-hosts-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Only this bundle: a folder of its own on LV2_PATH, and no user defaults file.
mkdir -p "$work/lv2" "$work/config"
ln -s "$bundle" "$work/lv2/$(basename "$bundle")"
export LV2_PATH="$work/lv2" XDG_CONFIG_HOME="$work/config"

need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (${2})"; exit 77; }; }
fail() { echo "FAIL: $*"; exit 1; }

case "$mode" in
schema)
  need sord_validate sordi
  schema=$(dpkg -L lv2-dev 2>/dev/null | grep '^/usr/lib/lv2/.*\.ttl$' || true)
  [ -n "$schema" ] || { echo "SKIP: the LV2 schema files (lv2-dev) are missing"; exit 77; }
  # shellcheck disable=SC2086
  sord_validate $schema "$bundle"/*.ttl >"$work/out" 2>&1 || true
  cat "$work/out"
  grep -q '^Found 0 errors' "$work/out" || fail "the bundle does not validate"
  ! grep -qi 'warning' "$work/out" || fail "warnings"
  ;;
info)
  need lv2info lilv-utils
  lv2info "$uri" >"$work/out" 2>&1 || { cat "$work/out"; fail "lv2info does not know $uri"; }
  cat "$work/out"
  grep -q 'Has latency: *yes, reported by port 11' "$work/out" || fail "latency port"
  for symbol in input warm limit bass clip drive makeup inLeft inRight outLeft outRight latency enabled midiIn notify lampLeft lampRight; do
    grep -q "Symbol: *$symbol\$" "$work/out" || fail "port $symbol missing"
  done
  [ "$(grep -c 'Properties: *http://lv2plug.in/ns/lv2core#toggled' "$work/out")" = 4 ] || fail "three switches and the bypass port are toggled"
  grep -A3 'Symbol: *limit$' "$work/out" | grep -q 'Minimum: *-10.000000' || fail "limit range"
  for k in 1 2 3 4 5 6 7 8; do grep -q "^[[:space:]]*Init $k\$" "$work/out" || fail "preset Init $k"; done
  # Each preset sets all seven controls, in displayed units.
  if command -v sordi >/dev/null; then
    values=$(sordi "file://$bundle/presets.ttl" 2>/dev/null | grep -c 'presets#value' || true)
    [ "$values" = 56 ] || fail "the presets hold $values control values, not 8 x 7"
  fi
  ;;
apply)
  need lv2apply lilv-utils
  [ -x "$renderer" ] || fail "no renderer at $renderer"
  python3 "$(dirname "$0")/floatWav.py" write "$work/in.wav"
  # Settings as the renderer takes them, and the same as lv2apply's port values.
  while IFS='|' read -r set ports; do
    # shellcheck disable=SC2086
    "$renderer" "$work/in.wav" "$work/ren.wav" --bits float --quiet --json "$work/ren.json" $set
    # shellcheck disable=SC2086
    lv2apply -i "$work/in.wav" -o "$work/lv2.wav" $ports "$uri" >"$work/apply.log" 2>&1 || { cat "$work/apply.log"; fail "lv2apply"; }
    python3 "$(dirname "$0")/floatWav.py" compare "$work/ren.wav" "$work/lv2.wav" "$work/ren.json" || fail "settings: ${set:-defaults}"
    echo "identical: ${set:-defaults}"
  done <<'SETTINGS'
|
--set warm=on|-c warm 1
--set warm=on --set input=6.1 --set limit=-3.25 --set bass=4 --set makeup=on|-c warm 1 -c input 6.1 -c limit -3.25 -c bass 4 -c makeup 1
--set warm=on --set clip=off --set drive=-6.02|-c warm 1 -c clip 0 -c drive -6.02
SETTINGS
  ;;
*) echo "usage: $0 schema|info|apply BUNDLE RENDERER"; exit 2 ;;
esac
echo "ok"
