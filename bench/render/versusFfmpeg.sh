#!/usr/bin/env bash
# orvalt-render end to end (read, render, measure input and output with true
# peak, write) side by side with one `ffmpeg -af ebur128=peak=true` pass over
# the same file: wall-clock time, processor time and peak memory of each, run
# in turns, and the median of the runs. By default 10 minutes of 48 kHz 24-bit
# stereo pink noise; the render drives the clipper 6 dB into its ceiling, so
# the output is not a copy of the input.
# A benchmark, not a test: the figures depend on the machine and its load
# (printed before and after).
#
#   bench/render/versusFfmpeg.sh [--minutes N] [--rate HZ] [--runs N] [--before RENDERER PLUGIN]
#
# "after" is this tree's build/native renderer; --before adds another
# renderer, e.g. one built from an earlier commit, with its plug-in.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
minutes=10 rate=48000 runs=3 before=()
while (($#)); do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --rate) rate=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --before) before=("$2" "$3"); shift 3 ;;
    *) echo "usage: $0 [--minutes N] [--rate HZ] [--runs N] [--before RENDERER PLUGIN]" >&2; exit 2 ;;
  esac
done
# shellcheck source=noiseInput.sh
source "$here/bench/render/noiseInput.sh"
makeNoiseInput versus_ffmpeg "$here" "$minutes" "$rate"
echo "load before: $(uptime)"

contenders=(ffmpeg after)
declare -A command
command[ffmpeg]="ffmpeg -nostats -hide_banner -i '$input' -af ebur128=peak=true -f null -"
command[after]="'$here/build/native/tools/render/orvalt-render' --plugin '$here/build/native/product/Orvalt.so' --set input=6 '$input' '$work/out-after.wav'"
if ((${#before[@]})); then
  contenders+=(before)
  command[before]="'${before[0]}' --plugin '${before[1]}' --set input=6 '$input' '$work/out-before.wav'"
fi

# One run of one contender: "wall cpu rss" (seconds, seconds, MB).
measure() {
  local log="$work/time-$1.txt"
  rm -f "$work/out-$1.wav"
  eval "/usr/bin/time -v ${command[$1]}" >/dev/null 2>"$log"
  rm -f "$work/out-$1.wav"
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); wall = p[n] + (n > 1 ? 60 * p[n - 1] : 0) }
              /User time/ { cpu += $2 } /System time/ { cpu += $2 }
              /Maximum resident set size/ { rss = $2 / 1024 }
              END { printf "%.2f %.2f %.0f\n", wall, cpu, rss }' "$log"
}

declare -A walls cpus rsss
for ((run = 1; run <= runs; run++)); do
  # Turns rotate, so neither side always runs first.
  for ((i = 0; i < ${#contenders[@]}; i++)); do
    name=${contenders[(i + run) % ${#contenders[@]}]}
    read -r wall cpu rss < <(measure "$name")
    printf 'run %d  %-7s wall %6.2f s   processor %6.2f s   peak memory %5d MB\n' "$run" "$name" "$wall" "$cpu" "$rss"
    walls[$name]+="$wall " cpus[$name]+="$cpu " rsss[$name]+="$rss "
  done
done
echo "load after: $(uptime)"

median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ffmpegWall=$(median "${walls[ffmpeg]}")
for name in "${contenders[@]}"; do
  wall=$(median "${walls[$name]}")
  printf 'median  %-7s wall %6.2f s (%.2f x ffmpeg)   processor %6.2f s   peak memory %5d MB\n' "$name" "$wall" \
    "$(awk -v a="$wall" -v b="$ffmpegWall" 'BEGIN { print a / b }')" "$(median "${cpus[$name]}")" "$(median "${rsss[$name]}")"
done
