# The input of the render benchmarks, sourced by them: stereo 24-bit pink noise
# made by ffmpeg, kept in build/bench-render/ for later runs; and their common
# command line.
#
#   readBenchArguments "$@"
#
# takes [--minutes N] [--rate HZ] [--before RENDERER PLUGIN] into minutes, rate
# and before (set their defaults first).
readBenchArguments() {
  while (($#)); do
    case "$1" in
      --minutes) minutes=$2; shift 2 ;;
      --rate) rate=$2; shift 2 ;;
      --before) before=("$2" "$3"); shift 3 ;;
      *) echo "usage: $0 [--minutes N] [--rate HZ] [--before RENDERER PLUGIN]" >&2; exit 2 ;;
    esac
  done
}
#
#   makeNoiseInput NAME ROOT MINUTES RATE
#
# checks for ffmpeg and /usr/bin/time (NAME heads the complaint), makes the
# file once, and sets work (the folder) and input (the file).
makeNoiseInput() {
  local name=$1 root=$2 minutes=$3 rate=$4 tool
  for tool in ffmpeg /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$name: needs $tool (apt-get install ffmpeg time)" >&2; exit 1; }
  done
  work="$root/build/bench-render"
  mkdir -p "$work"
  input="$work/noise-${minutes}min-${rate}.wav"
  if [[ ! -f "$input" ]]; then
    echo "$name: making $input" >&2
    ffmpeg -loglevel error -y -f lavfi \
      -i "anoisesrc=color=pink:sample_rate=$rate:amplitude=0.7:duration=$((minutes * 60)):seed=7" \
      -af "pan=stereo|c0=c0|c1=-0.8*c0" -c:a pcm_s24le "$input"
  fi
  echo "input: $input ($(du -m "$input" | cut -f1) MB)"
}
