#!/usr/bin/env bash
# The main job in one command: builds Orvalt.so and orvalt-render, renders the
# built-in demo signal with the default settings and prints the report.
# On a fresh Debian 12 machine run it as root: it installs the build tools it
# lacks (and nothing when they are all present).
# Extra arguments go to orvalt-render, e.g.: scripts/demo.sh --set limit=-3 --set warm=on
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# The build tools and libsndfile; configuring the tree also looks for the test,
# PNG and benchmark libraries and the LV2 headers, so those come along.
needed=(cmake g++ make pkg-config libsndfile1-dev libebur128-dev nlohmann-json3-dev libgtest-dev libpng-dev libbenchmark-dev lv2-dev)
missing=()
for package in "${needed[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "demo: missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
    exit 1
  fi
  echo "demo: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Only what the demo needs is built; the tests and benchmarks are not.
echo "demo: building Orvalt.so and orvalt-render in build/native (about a minute the first time)..." >&2
cmake --preset native >/dev/null
cmake --build build/native -j2 --target Orvalt orvalt-render >/dev/null

mkdir -p build/demo
build/native/tools/render/orvalt-render --svg build/demo/demo.svg "$@" --demo build/demo/demo.wav
echo
echo "demo: input  build/demo/demo-input.wav"
echo "demo: output build/demo/demo.wav"
echo "demo: curve  build/demo/demo.svg"
