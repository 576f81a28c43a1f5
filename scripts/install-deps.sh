#!/usr/bin/env bash
# Installs what the builds and tests need, from Debian's packages. Quick and
# silent when everything is present. Usage: install-deps.sh [--demo]
# (--demo: only what the main job needs).
set -eu

demo_packages=(cmake g++ make pkg-config libsndfile1-dev libebur128-dev nlohmann-json3-dev lv2-dev)
test_packages=("${demo_packages[@]}" libgtest-dev googletest libbenchmark-dev libpng-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine32:i386 wine64
  xvfb xauth xdotool zam-plugins lsp-plugins-vst zip unzip
  libxcb1-dev libx11-dev libxtst-dev  # the Linux editor (xcb), its tests' host side (Xlib) and real pointer (XTest)
  ffmpeg  # an independent loudness meter for the renderer's tests, and the pace its benchmark is held to
  time  # /usr/bin/time -v: the render benchmarks' peak memory
  sordi lilv-utils jalv jackd2 ardour lsp-plugins-lv2 x42-plugins  # real LV2 hosts, the schema checker and LV2 peers
  x11-utils imagemagick)  # window trees and screenshots of an editor in a host (xwininfo, import)
test_packages+=(librsvg2-bin fonts-dejavu-core)  # a second independent SVG renderer (and a font) for the renderer's picture
test_packages+=(help2man lintian nsis man-db bash-completion)  # the Debian package and the Windows installer, and their checks
test_packages+=(parallel)  # a batch spread over hosts the way users spread it
test_packages+=(qtractor)  # a real CLAP host (its headless plug-in scan)

packages=("${test_packages[@]}")
[ "${1:-}" = "--demo" ] && packages=("${demo_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -q i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
