#!/usr/bin/env bash
# The loudness search against a plain render of the same file: wall-clock
# time of `--target-lufs -10 --ceiling-dbtp -1` and of a render with no
# search, their ratio and the analysis passes, on noise-like and music-like
# material (by default 10 minutes at 48 kHz: the pink noise of noiseInput.sh,
# and swelling tones over a bass line made by ffmpeg).
# A benchmark, not a test: the figures depend on the machine and its load
# (printed before and after); the ratio is what to compare.
#
#   bench/render/loudnessSearch.sh [--minutes N] [--rate HZ] [--before RENDERER PLUGIN]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
minutes=10 rate=48000 before=()
# shellcheck source=noiseInput.sh
source "$here/bench/render/noiseInput.sh"
readBenchArguments "$@"
makeNoiseInput loudness_search "$here" "$minutes" "$rate"
noise=$input
music="$work/music-${minutes}min-${rate}.wav"
if [[ ! -f "$music" ]]; then
  echo "loudness_search: making $music" >&2
  ffmpeg -loglevel error -y -f lavfi -i "aevalsrc='(0.35*sin(2*PI*82*t)+0.2*sin(2*PI*440*t+2*sin(2*PI*3*t))+0.1*sin(2*PI*2750*t))*(0.3+0.25*sin(2*PI*t/11))|(0.35*sin(2*PI*110*t)+0.2*sin(2*PI*660*t)+0.08*sin(2*PI*5500*t))*(0.3+0.25*sin(2*PI*t/13))':s=$rate:d=$((minutes * 60))" \
    -c:a pcm_s24le "$music"
fi
echo "load before: $(uptime)"

# Wall-clock seconds of one run; its JSON report is left in $work/report.json.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" --json "$work/report.json" >/dev/null 2>&1 || echo "failed: $*" >&2
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

run() {
  local name=$1 renderer=$2 plugin=$3 file plain search passes
  for file in "$noise" "$music"; do
    plain=$(seconds "$renderer" --plugin "$plugin" "$file" "$work/out-search.wav")
    search=$(seconds "$renderer" --plugin "$plugin" --target-lufs -10 --ceiling-dbtp -1 "$file" "$work/out-search.wav")
    passes=$(sed -n 's/.*"analysis_passes": *\([0-9]*\).*/\1/p' "$work/report.json")
    printf '%-7s %-28s plain %7.2f s   search %7.2f s (%.2f x plain, %s passes)   output %s\n' "$name" \
      "$(basename "$file")" "$plain" "$search" "$(awk -v a="$search" -v b="$plain" 'BEGIN { print a / b }')" "$passes" \
      "$(tr -d '\n ' <"$work/report.json" | grep -o '"output":{[^}]*' | grep -o '"integrated_lufs":[^,]*,\|"true_peak_dbtp":[^,]*' | tr -d '\n')"
    rm -f "$work/out-search.wav"
  done
}

if ((${#before[@]})); then run before "${before[0]}" "${before[1]}"; fi
run after "$here/build/native/tools/render/orvalt-render" "$here/build/native/product/Orvalt.so"
echo "load after: $(uptime)"
