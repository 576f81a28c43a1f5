#!/usr/bin/env bash
# End-to-end time and peak memory of orvalt-render on a long file (by default
# 10 minutes of 192 kHz 24-bit stereo), for one or two renderers side by side.
# A benchmark, not a test: run it on a quiet machine.
#
#   bench/render/longFile.sh [--minutes N] [--rate HZ] [--before RENDERER PLUGIN]
#
# The file is pink noise made by ffmpeg (kept in build/bench-render/ for later
# runs). "after" is this tree's build/native renderer; --before adds another
# renderer, e.g. one built from an earlier commit, with its plug-in.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
minutes=10 rate=192000 before=() 
# shellcheck source=noiseInput.sh
source "$here/bench/render/noiseInput.sh"
readBenchArguments "$@"
makeNoiseInput long_file "$here" "$minutes" "$rate"

# Runs one renderer and prints wall-clock seconds and peak resident memory.
measure() {
  local name=$1 renderer=$2 plugin=$3
  local output="$work/out-$name.wav" log="$work/time-$name.txt"
  /usr/bin/time -v "$renderer" --plugin "$plugin" "$input" "$output" 2>"$log" >/dev/null
  local wall rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
  printf '%-7s end to end %8s (h:mm:ss or m:ss)   peak memory %6d MB\n' "$name" "$wall" $((rss / 1024))
  rm -f "$output"
}

if ((${#before[@]})); then measure before "${before[0]}" "${before[1]}"; fi
measure after "$here/build/native/tools/render/orvalt-render" "$here/build/native/product/Orvalt.so"
