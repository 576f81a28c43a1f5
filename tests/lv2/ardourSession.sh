#!/usr/bin/env bash
# Ardour 7 (headless) keeps the LV2 edition's settings, state and sound across
# a save and a reload. Usage: ardourSession.sh BUNDLE. Exit 77 without Ardour.
set -euo pipefail
bundle=$1
here=$(cd "$(dirname "$0")" && pwd)
command -v ardour7-lua >/dev/null || { echo "SKIP: ardour7-lua is not installed (ardour)"; exit 77; }
work=$(mktemp -d /tmp/orvalt-ardour-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lv2" "$work/home"
ln -s "$bundle" "$work/lv2/$(basename "$bundle")"
# Ardour's own settings and caches, and our defaults file, in a scratch home.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
export LV2_PATH="$work/lv2" SESSION_DIR="$work/session" PLUGIN_URI=http://www.quillmarsh.com/lv2/Orvalt
fail() { echo "FAIL: $*"; exit 1; }

for phase in create load; do
  PHASE=$phase timeout 120 ardour7-lua "$here/ardourSession.lua" >"$work/$phase.log" 2>&1 ||
    { cat "$work/$phase.log"; fail "ardour7-lua ($phase)"; }
  grep -E '^(default|meter|param) ' "$work/$phase.log" >"$work/$phase.values" || true
  grep -q 'Error' "$work/$phase.log" && { cat "$work/$phase.log"; fail "a Lua error ($phase)"; }
done
cat "$work/create.values"
grep -q '^param 0 6.000000$' "$work/create.values" || fail "input was not set"
grep -q '^param 2 -3.000000$' "$work/create.values" || fail "limit was not set"
# The settings change the sound (a constant 0.5 now meets the clipper), and the
# reloaded session gives the same values and the same level.
[ "$(grep '^default 0' "$work/create.values" | cut -d' ' -f3)" != "$(grep '^meter 0' "$work/create.values" | cut -d' ' -f3)" ] ||
  fail "the two controls did not change the output"
diff <(grep -E '^(meter|param) ' "$work/create.values") "$work/load.values" || fail "the reloaded session differs"
# The plug-in's own state went into the session: the bank chunk, starting with its magic.
state=$(find "$work/session/plugins" -name state.ttl | head -1)
[ -n "$state" ] || fail "no plug-in state in the session"
python3 - "$state" <<'PY' || fail "the saved state holds no bank chunk"
import base64, re, sys
text = open(sys.argv[1]).read()
m = re.search(r'<http://www\.quillmarsh\.com/lv2/Orvalt#chunk>\s*"""([^"]+)"""\^\^xsd:base64Binary', text)
chunk = base64.b64decode(m.group(1))
assert chunk[:4] == bytes.fromhex("753d8c28") and chunk[9:15] == b"Orvalt", chunk[:16]
# the live input value record (+6 dB: 0.3 of the range) and limit (-3 dB: 0.7)
live = chunk[-56:-28]
assert live[0:4] == bytes([0, 0, 0x00, 0x4B]) and live[8:12] == bytes([0, 2, 0xFF, 0xAE]), live.hex()
PY
echo "ok"
