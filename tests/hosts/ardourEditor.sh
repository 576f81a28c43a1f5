#!/usr/bin/env bash
# Orvalt's own editor in a real Linux host: Debian's Ardour 7 under Xvfb.
# A session with Orvalt on a track is made headless (ardour7-lua), Ardour's GUI
# opens it on the Dummy audio backend, the plug-in's window is opened from the
# mixer strip, a screenshot is taken, and xdotool drags the input knob up 100
# pixels one pixel at a time: Ardour must then hold input = 0.25 (100 / 400).
# Usage: ardourEditor.sh Orvalt.so picture.png   Exit 77: Ardour or a tool is missing.
set -u
plugin=$1 picture=$2
for tool in ardour ardour7-lua Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scanner=$(ls /usr/lib/ardour*/ardour-vst-scanner 2>/dev/null | head -n 1)
[ -n "$scanner" ] || { echo "SKIP: ardour-vst-scanner is not installed"; exit 77; }

work=$(mktemp -d)
ardour_pid="" xvfb_pid=""
finish() {
  [ -n "$ardour_pid" ] && kill "$ardour_pid" 2>/dev/null && wait "$ardour_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*"; [ -n "${DISPLAY:-}" ] && import -window root "$picture.failed.png" 2>/dev/null; [ -f "$work/ardour.log" ] && tail -n 20 "$work/ardour.log"; exit 1; }

# A fresh account for Ardour: been here before, the Dummy backend shown and started by itself.
# (Ardour's scanner and its plug-in manager agree on the cache only under $HOME's defaults.)
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME
export HOME=$work/home
config=$HOME/.config/ardour7
mkdir -p "$config" "$work/vst"
touch "$config/.a7"
cp "$plugin" "$work/vst/Orvalt.so"
touch -d '-1 minute' "$work/vst/Orvalt.so"  # the scan's cache must be newer than the plug-in
export LXVST_PATH=$work/vst

# Ardour finds VST plug-ins through its scanner's cache.
LD_LIBRARY_PATH=$(dirname "$scanner") "$scanner" -f "$work/vst/Orvalt.so" >"$work/scan.log" 2>&1 ||
  fail "Ardour's scanner refuses Orvalt.so: $(tail -n 3 "$work/scan.log")"

cat >"$work/make.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$work/sess", "sess", 48000)
assert(s, "no session")
local track = s:new_audio_track(2, 2, nil, 1, "Orvalt track", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true)
local p = ARDOUR.LuaAPI.new_plugin(s, "Orvalt", ARDOUR.PluginType.LXVST, "")
assert(not p:isnil(), "Ardour does not know Orvalt")
track:front():add_processor_by_index(p, 0, nil, true)
s:save_state("", false, false, false, false, false)
close_session()
LUA
ardour7-lua "$work/make.lua" >"$work/lua.log" 2>&1
grep -q 'name="Orvalt"' "$work/sess/sess.ardour" 2>/dev/null || fail "no Orvalt in the session: $(tail -n 3 "$work/lua.log")"
# Written after the headless step, which leaves a configuration of its own.
cat >"$config/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
  <AudioMIDISetup>
    <EngineStates>
      <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device="" output-device=""
             sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" lm-input=""
             lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1">
        <MIDIDevices/>
      </State>
    </EngineStates>
  </AudioMIDISetup>
  </Extra>
</Ardour>
XML

n=140
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$n
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

ardour -n -a "$work/sess" >"$work/ardour.log" 2>&1 &
ardour_pid=$!

named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# The main window comes after a warning about the session's device; Return answers it.
for _ in $(seq 60); do
  [ -n "$(named '^sess - Ardour')" ] && break
  kill -0 "$ardour_pid" 2>/dev/null || fail "Ardour ended"
  xdotool key Return 2>/dev/null
  sleep 1
done
[ -n "$(named '^sess - Ardour')" ] || fail "Ardour's window did not come"
sleep 3
# The mixer, then a double click on the plug-in in the track's strip opens its own window.
xdotool key alt+m; sleep 2
main=$(named '^sess - Ardour')
xdotool windowactivate --sync "$main" 2>/dev/null
editor=""
for _ in $(seq 5); do
  xdotool mousemove 1326 73 click 1; sleep 2           # the "Mix" button
  xdotool mousemove 331 215 click --repeat 2 --delay 80 1; sleep 3   # "Orvalt" in the strip
  editor=$(xwininfo -root -tree | awk '/ 410x100\+0\+0 /{print $1; exit}')
  [ -n "$editor" ] && break
done
[ -n "$editor" ] || fail "Orvalt's editor did not open in Ardour"
read -r ex ey < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
echo "editor window $editor at $ex,$ey"
import -window root -crop 412x150+$((ex - 1))+$((ey - 42)) "$picture" || fail "no screenshot"

# The input knob's centre is (55, 56) in the editor: 100 one-pixel moves upwards.
x=$((ex + 55)) y=$((ey + 56))
xdotool mousemove $x $y; sleep 0.3
xdotool mousedown 1; sleep 0.2
for i in $(seq 1 100); do xdotool mousemove $x $((y - i)); done
sleep 0.3
xdotool mouseup 1; sleep 1
xdotool key ctrl+s; sleep 3
value=$(grep -o '<Controllable name="input"[^>]*>' "$work/sess/sess.ardour" | sed -E 's/.* value="([^"]*)".*/\1/')
echo "Ardour holds input = $value"
[ "$value" = "0.25" ] || fail "input should be 0.25 after a drag of 100 pixels, Ardour holds '$value'"
echo "PASS: Orvalt's editor in Ardour, picture $picture"
