#!/usr/bin/env bash
# Builds the Debian package orvalt_<version>_amd64.deb from a release build:
# the plug-ins in the folders Linux hosts scan (/usr/lib/vst, /usr/lib/lv2, and
# /usr/lib/vst3 and /usr/lib/clap for the bundles the build made), the tools in
# /usr/bin with a manual page each (from their own --help, so every option is
# in it) and bash completion for orvalt-render, the licence and changelog in
# /usr/share/doc/orvalt, and the dependencies the binaries really link against
# (dpkg-shlibdeps). Same commit, same bytes (SOURCE_DATE_EPOCH).
# Usage: buildDeb.sh <native release build folder> <output folder>
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=$2
version=$(head -n 1 "$root/VERSION")
: "${SOURCE_DATE_EPOCH:?set SOURCE_DATE_EPOCH to the time of the release}"

changelog_version=$(dpkg-parsechangelog -l "$root/packaging/debian/changelog" -S Version)
[ "$changelog_version" = "$version" ] || {
  echo "buildDeb.sh: packaging/debian/changelog is at $changelog_version, VERSION says $version" >&2; exit 1; }

stage=$build/deb-staging
rm -rf "$stage"
mkdir -p "$stage/DEBIAN" "$stage/usr/bin" "$stage/usr/lib/vst" "$stage/usr/lib/lv2/Orvalt.lv2" \
  "$stage/usr/share/man/man1" "$stage/usr/share/bash-completion/completions" "$stage/usr/share/doc/orvalt"

install -m 644 "$build/product/Orvalt.so" "$stage/usr/lib/vst/"
install -m 644 "$build"/Orvalt.lv2/*.ttl "$build"/Orvalt.lv2/*.so "$stage/usr/lib/lv2/Orvalt.lv2/"
# The newer formats' bundles, as the build made them.
[ -d "$build/Orvalt.vst3" ] && mkdir -p "$stage/usr/lib/vst3" && cp -r "$build/Orvalt.vst3" "$stage/usr/lib/vst3/"
[ -e "$build/clap/Orvalt.clap" ] && mkdir -p "$stage/usr/lib/clap" && install -m 644 "$build/clap/Orvalt.clap" "$stage/usr/lib/clap/"
tools=(render/orvalt-render vstinfo/orvalt-info validator/vstvalidate)
for t in "${tools[@]}"; do install -m 755 "$build/tools/$t" "$stage/usr/bin/"; done
find "$stage/usr" -type f \( -name '*.so' -o -name '*.clap' -o -perm -u+x \) -exec strip --strip-unneeded --remove-section=.comment {} +

# A manual page per tool, made from the tool's own --help (read through
# packaging/man/helpText.sh, copied under the tool's name for the page's title).
help_text=$build/deb-help
mkdir -p "$help_text"
for t in "${tools[@]}"; do
  name=${t#*/}
  install -m 755 "$root/packaging/man/helpText.sh" "$help_text/$name"
  TOOL=$stage/usr/bin/$name help2man --no-info --section=1 --include="$root/packaging/man/$name.h2m" \
    --version-string="$version" "$help_text/$name" >"$stage/usr/share/man/man1/$name.1"
  gzip -9 -n "$stage/usr/share/man/man1/$name.1"
done
install -m 644 "$root/packaging/bash-completion/orvalt-render" "$stage/usr/share/bash-completion/completions/"
install -m 644 "$root/packaging/debian/copyright" "$stage/usr/share/doc/orvalt/"
gzip -9 -n -c "$root/packaging/debian/changelog" >"$stage/usr/share/doc/orvalt/changelog.gz"

# What the binaries link against, as Debian's own packages state it.
shlib=$build/deb-shlibdeps
rm -rf "$shlib" && mkdir -p "$shlib/debian"
printf 'Source: orvalt\n\nPackage: orvalt\nArchitecture: amd64\n' >"$shlib/debian/control"
elves=$(find "$stage/usr" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' _ {} \; -print)
# shellcheck disable=SC2086
depends=$(cd "$shlib" && dpkg-shlibdeps -O $elves 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "buildDeb.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

size=$(du -k -s --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@SIZE@/$size/" \
  "$root/packaging/debian/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum >DEBIAN/md5sums)
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f ! -perm -u+x -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$out"
deb=$out/orvalt_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
