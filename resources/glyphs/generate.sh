#!/usr/bin/env bash
# Regenerates plugedit/text/glyphData.cpp, the editor's text glyphs, from
# Liberation Sans (Debian fonts-liberation, SIL Open Font License): the font
# Wine draws the Windows editor's texts with, so both systems look alike.
# Needs g++, pkg-config and libfreetype-dev; not part of the normal build.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
font=${1:-/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf}
tool=$(mktemp)
trap 'rm -f "$tool"' EXIT
g++ -O1 -o "$tool" "$here/rasterizeGlyphs.cpp" $(pkg-config --cflags --libs freetype2)
"$tool" "$font" > "$here/../../plugedit/text/glyphData.cpp"
