#!/usr/bin/env bash
# Builds the release archives, the Debian package and the Windows installer into dist/:
#   Orvalt-<version>-windows.zip          {32,64}-bit/Orvalt.dll and Orvalt.clap, Orvalt.vst3/ (both widths), INSTALL.txt
#   Orvalt-<version>-linux-x86_64.tar.gz  Orvalt.so, Orvalt.lv2/ (description, DSP and editor binaries), Orvalt.vst3/,
#                                         Orvalt.clap, orvalt-render, orvalt-info, vstvalidate, INSTALL.txt
#   orvalt_<version>_amd64.deb            the same for Debian and Ubuntu (scripts/buildDeb.sh)
#   Orvalt-<version>-setup.exe            the Windows installer for both architectures (scripts/buildInstaller.sh)
# The version comes from the file VERSION. The same commit gives the same bytes:
# release builds keep no build paths and no link time stamps, and every archive
# entry has the commit's time (SOURCE_DATE_EPOCH), fixed permissions, no owner
# names, in sorted order. Builds in build/package/{linux,win32,win64}; those
# trees also hold orvalt-info.exe for each Windows architecture (for tests, not shipped).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

version=$(head -n 1 VERSION)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "note: the working tree has uncommitted changes; the archives include them"
fi
jobs=$(nproc 2>/dev/null || echo 2)
logs=build/package/logs
mkdir -p "$logs"

# release <preset> <folder> <targets...>: a Release build of the preset in build/package/<folder>.
release() {
  local preset=$1 dir=build/package/$2; shift 2
  echo "building $preset in $dir"
  cmake --preset "$preset" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DORVALT_RELEASE=ON -DORVALT_BENCH=OFF \
    >"$logs/$preset-configure.log" 2>&1 || { tail -n 30 "$logs/$preset-configure.log"; exit 1; }
  cmake --build "$dir" -j"$jobs" --target "$@" >"$logs/$preset-build.log" 2>&1 \
    || { grep -E 'error|Error' "$logs/$preset-build.log" | head -n 30; exit 1; }
}
release native linux Orvalt Orvalt.lv2 Orvalt.vst3 OrvaltClap orvalt-render orvalt-info vstvalidate
release win32 win32 Orvalt Orvalt.vst3 OrvaltClap orvalt-info
release win64 win64 Orvalt Orvalt.vst3 OrvaltClap orvalt-info

# Archive contents with fixed permissions and times: umask and build time leave no trace.
staging=build/package/staging
rm -rf "$staging"
mkdir -p "$staging/windows/32-bit" "$staging/windows/64-bit" "$staging/linux"
# One VST 3 bundle holds both Windows builds; VST 2 and CLAP come once per width.
for arch in win32 win64; do
  bits=${arch#win}-bit
  cp build/package/$arch/product/Orvalt.dll build/package/$arch/clap/Orvalt.clap "$staging/windows/$bits/"
  cp -r build/package/$arch/Orvalt.vst3 "$staging/windows/"
done
sed "s/@VERSION@/$version/" packaging/INSTALL-windows.txt | sed 's/$/\r/' >"$staging/windows/INSTALL.txt"
cp build/package/linux/product/Orvalt.so build/package/linux/tools/render/orvalt-render \
   build/package/linux/tools/vstinfo/orvalt-info build/package/linux/tools/validator/vstvalidate "$staging/linux/"
mkdir -p "$staging/linux/Orvalt.lv2"
cp build/package/linux/Orvalt.lv2/*.ttl build/package/linux/Orvalt.lv2/*.so "$staging/linux/Orvalt.lv2/"
cp -r build/package/linux/Orvalt.vst3 "$staging/linux/"
cp build/package/linux/clap/Orvalt.clap "$staging/linux/"
sed "s/@VERSION@/$version/" packaging/INSTALL-linux.txt >"$staging/linux/INSTALL.txt"
find "$staging" -type d -exec chmod 755 {} +
find "$staging" -type f -exec chmod 644 {} +
chmod 755 "$staging"/linux/orvalt-render "$staging"/linux/orvalt-info "$staging"/linux/vstvalidate
find "$staging" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p dist
zip_name=Orvalt-$version-windows.zip
tar_name=Orvalt-$version-linux-x86_64.tar.gz
rm -f "dist/$zip_name" "dist/$tar_name"
# zip stores local time: UTC makes it the same everywhere. -X: no owner ids or
# extra time stamps; -D: no folder entries; names in byte order.
(cd "$staging/windows" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
  TZ=UTC zip -X -D -q -9 "$root/dist/$zip_name" -@)
(cd "$staging/linux" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
  tar --create --format=gnu --sort=name --no-recursion --files-from=- --owner=0 --group=0 --numeric-owner \
      --mtime="@$SOURCE_DATE_EPOCH" | gzip -9 -n >"$root/dist/$tar_name")

deb_name=$(basename "$(bash scripts/buildDeb.sh build/package/linux dist)")
setup_name=$(basename "$(bash scripts/buildInstaller.sh build/package/win32 build/package/win64 dist)")

for f in "$zip_name" "$tar_name" "$deb_name" "$setup_name"; do
  echo "dist/$f $(stat -c %s "dist/$f") bytes sha256 $(sha256sum "dist/$f" | cut -d' ' -f1)"
done
