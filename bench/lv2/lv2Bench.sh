#!/usr/bin/env bash
# Orvalt's LV2 edition next to two LV2 limiters from Debian (LSP stereo limiter,
# lsp-plugins-lv2; x42-dpl stereo, x42-plugins), each through lv2bench (lilv-utils)
# with the same block size and length, in one run. Prints seconds, nanoseconds per
# stereo frame and each plug-in's time as a multiple of Orvalt's. Compare the
# ratios, not the absolute times: the machine's load moves all of them.
#   bash bench/lv2/lv2Bench.sh [BUNDLE] [BLOCK] [FRAMES]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
bundle=${1:-$here/build/native/Orvalt.lv2}
block=${2:-512}
frames=${3:-4410000}  # 100 s at 44.1 kHz
command -v lv2bench >/dev/null || { echo "lv2bench is missing: apt-get install lilv-utils" >&2; exit 1; }
[ -f "$bundle/manifest.ttl" ] || { echo "no bundle at $bundle (cmake --build build/native --target Orvalt.lv2)" >&2; exit 1; }
work=$(mktemp -d /tmp/orvalt-lv2bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lv2" "$work/config"
ln -s "$bundle" "$work/lv2/$(basename "$bundle")"
export LV2_PATH="$work/lv2:/usr/lib/lv2" XDG_CONFIG_HOME="$work/config"

plugins=(
  "Orvalt|http://www.quillmarsh.com/lv2/Orvalt"
  "LSP limiter stereo|http://lsp-plug.in/plugins/lv2/limiter_stereo"
  "x42-dpl stereo|http://gareus.org/oss/lv2/dpl#stereo"
)
echo "lv2bench, block $block, $frames frames, defaults of each plug-in"
printf '%-20s %10s %12s %10s\n' plugin seconds ns/frame ratio
base=""
for entry in "${plugins[@]}"; do
  name=${entry%%|*} uri=${entry#*|}
  seconds=$(lv2bench -b "$block" -n "$frames" "$uri" 2>/dev/null | awk -v u="$uri" '$2 == u { print $1 }')
  if [ -z "$seconds" ]; then
    printf '%-20s %10s\n' "$name" "missing"
    continue
  fi
  [ -z "$base" ] && base=$seconds
  awk -v n="$name" -v s="$seconds" -v f="$frames" -v b="$base" \
    'BEGIN { printf "%-20s %10.4f %12.2f %9.2fx\n", n, s, s * 1e9 / f, s / b }'
done
