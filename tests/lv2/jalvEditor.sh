#!/usr/bin/env bash
# The LV2 editor in a real host: jalv.gtk3 (JACK, here a dummy-driver server of
# our own) under X. It opens the bundle's X11 UI, shows the picture of the
# Windows editor in the same state (outside text boxes and lamps, pixel for
# pixel), and a mouse drag on the input knob reaches the DSP through the port:
# a click track that did not clip before lights the lamp ports afterwards.
# Usage: jalvEditor.sh BUNDLE REFERENCE_PNG. Exit 77 when a tool is missing.
set -euo pipefail
bundle=$1 reference=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in jalv.gtk3:jalv jackd:jackd2 jack_metro:jackd2 xdotool:xdotool import:imagemagick convert:imagemagick xwininfo:x11-utils; do
  command -v "${tool%%:*}" >/dev/null || { echo "SKIP: ${tool%%:*} is not installed (${tool#*:})"; exit 77; }
done
work=$(mktemp -d /tmp/orvalt-jalv-XXXXXX)
pids=()
cleanup() {
  for ((k = ${#pids[@]} - 1; k >= 0; k--)); do kill "${pids[k]}" 2>/dev/null || true; wait "${pids[k]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/jalv.log" ] && grep -v '^lamp' "$work/jalv.log" | tail -n 20; exit 1; }
mkdir -p "$work/lv2" "$work/home"
ln -s "$bundle" "$work/lv2/$(basename "$bundle")"
export LV2_PATH="$work/lv2" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/home"
uri=http://www.quillmarsh.com/lv2/Orvalt

# An X server of our own: the test moves the real pointer, which must be ours alone.
if command -v Xvfb >/dev/null || [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "SKIP: no DISPLAY and no Xvfb"; exit 77; }
  n=120
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=:$n
fi
export JACK_DEFAULT_SERVER=orvalt-jalv-$$ JACK_NO_AUDIO_RESERVATION=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jack.log" 2>&1 &
pids+=($!)
sleep 1
# A click of amplitude 0.3: +7 dB keeps it below full scale, +20 dB clips it.
jack_metro -n metro -b 600 -f 1000 -A 0.3 -D 50 >"$work/metro.log" 2>&1 &
pids+=($!)

# The state of the Windows editor's reference picture: input 0.35, bass 0.5, warm on.
jalv.gtk3 --print-controls -c input=7 -c bass=5 -c warm=1 "$uri" >"$work/jalv.log" 2>&1 &
pids+=($!)
editor=""
for _ in $(seq 100); do
  editor=$(xwininfo -root -tree 2>/dev/null | awk '/ 410x100\+0\+0 /{id=$1} END{print id}')
  [ -n "$editor" ] && break
  sleep 0.1
done
[ -n "$editor" ] || fail "no 410 x 100 editor window under jalv"
jack_lsp >"$work/ports.txt" 2>&1 || true
client=$(awk -F: '/:inLeft$/{print $1; exit}' "$work/ports.txt")
[ -n "$client" ] || { cat "$work/ports.txt"; fail "jalv has no input ports in JACK"; }
for port in inLeft inRight; do jack_connect metro:600_bpm "$client:$port"; done
sleep 1.5
x=$(xwininfo -id "$editor" | awk '/Absolute upper-left X/{print $4}')
y=$(xwininfo -id "$editor" | awk '/Absolute upper-left Y/{print $4}')
import -window root -crop "410x100+$x+$y" "$work/lv2.png"
convert "$work/lv2.png" -depth 8 rgb:"$work/lv2.rgb"
convert "$reference" -depth 8 rgb:"$work/reference.rgb"
python3 - "$work/lv2.rgb" "$work/reference.rgb" <<'PY' || fail "the picture differs from the editor's"
import sys
a, b = (open(p, "rb").read() for p in sys.argv[1:3])
assert len(a) == len(b) == 410 * 100 * 3, (len(a), len(b))
def text_box(x, y):  # switch lines and the knobs' text strips: glyphs of another rasteriser
    return (5 <= y < 17 and x >= 135) or (72 <= y < 96 and 15 <= x < 335)
def lamp(x, y):      # the reference lamps are lit, these are not
    return 41 <= y <= 55 and 345 <= x <= 384
outside = sum(1 for y in range(100) for x in range(410)
              if not text_box(x, y) and not lamp(x, y) and a[3 * (410 * y + x):3 * (410 * y + x) + 3] != b[3 * (410 * y + x):3 * (410 * y + x) + 3])
print("pixels differing outside text boxes and lamps:", outside)
sys.exit(0 if outside == 0 else 1)
PY
lit() { tail -n 40 "$work/jalv.log" | awk -F' = ' '/^lampLeft/ && $2 + 0 > 0.01 {n++} END{print n + 0}'; }
[ "$(lit)" = 0 ] || fail "the lamps light before the drag"
# Eight drags up of 40 pixels on the input knob: +0.8 of its range, to +20 dB.
# Presses 0.6 s apart: two quick presses on one spot are a double click (reset).
for _ in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((x + 55)) $((y + 60)) mousedown 1
  for step in $(seq 1 40); do xdotool mousemove $((x + 55)) $((y + 60 - step)); done
  xdotool mouseup 1
  sleep 0.6
done
sleep 1.5
import -window root -crop "410x100+$x+$y" "$work/after.png"
[ "$(lit)" -gt 0 ] || fail "the drag did not reach the DSP: the lamps stay dark"
echo "lamps lit after the drag: $(tail -n 40 "$work/jalv.log" | grep '^lampLeft' | tail -n 1)"
echo ok
