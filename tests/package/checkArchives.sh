#!/usr/bin/env bash
# The release archives as a user gets them: exactly the promised entries, with
# fixed owners, permissions and times; unpacked into a scratch folder, every
# plug-in loads from there. The Linux plug-in through the shipped tools; each
# Windows DLL passes the export, import and version checks and, under Wine in a
# prefix of its own architecture, tells orvalt-info.exe of its own width the
# same identity, parameters, programs and flags as the Linux plug-in.
# The renderer finds its plug-in without --plugin.
# The LV2 bundle loads in lilv's tools (lv2info, lv2apply) from the unpacked folder.
# Usage: checkArchives.sh <dist folder> <scratch folder>
# (orvalt-info.exe comes from build/package/{win32,win64}, made by scripts/package.sh).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
dist=$(cd "$1" && pwd)
scratch=$2
version=$(head -n 1 "$root/VERSION")
zip=$dist/Orvalt-$version-windows.zip
tgz=$dist/Orvalt-$version-linux-x86_64.tar.gz
# shellcheck source=checkSupport.sh
source "$(dirname "$0")/checkSupport.sh"

check "zip entries" same "$(unzip -Z1 "$zip" | tr '\n' ' ')" \
  "32-bit/Orvalt.clap 32-bit/Orvalt.dll 64-bit/Orvalt.clap 64-bit/Orvalt.dll INSTALL.txt Orvalt.vst3/Contents/x86-win/Orvalt.vst3 Orvalt.vst3/Contents/x86_64-win/Orvalt.vst3 "
check "tar entries" same "$(tar -tzf "$tgz" | tr '\n' ' ')" \
  "INSTALL.txt Orvalt.clap Orvalt.lv2/Orvalt.ttl Orvalt.lv2/OrvaltDsp.so Orvalt.lv2/OrvaltUi.so Orvalt.lv2/manifest.ttl Orvalt.lv2/presets.ttl Orvalt.so Orvalt.vst3/Contents/x86_64-linux/Orvalt.so orvalt-info orvalt-render vstvalidate "
# Owner 0/0, one time stamp for every entry, programs executable and texts not.
check "tar owners, modes and times" same \
  "$(tar -tvzf "$tgz" --numeric-owner --full-time | awk '{print $1, $2, $4, $5}' | sort -u | tr '\n' ';')" \
  "$(tar -tvzf "$tgz" --numeric-owner --full-time | awk 'NR==1{t=$4" "$5} END{
     print "-rw-r--r-- 0/0 " t ";-rwxr-xr-x 0/0 " t ";"}')"
# The Windows files are data: no execute bits, one time stamp.
check "zip modes and times" same "$(unzip -Z -T "$zip" | awk '/^-/{print $1, $7}' | sort -u | wc -l)" "1"
check "zip modes" same "$(unzip -Z -T "$zip" | awk '/^-/{print $1}' | sort -u)" "-rw-r--r--"

rm -rf "$scratch"
mkdir -p "$scratch/windows" "$scratch/linux"
scratch=$(cd "$scratch" && pwd)
unzip -q "$zip" -d "$scratch/windows"
tar -xzf "$tgz" -C "$scratch/linux"
cd "$scratch/linux"

linux_info=$(./orvalt-info ./Orvalt.so)
echo "$linux_info" | sed -n '1,4p' | sed 's/^/     /'
check "orvalt-info loads Orvalt.so" grep -q '^name: *Orvalt$' <<<"$linux_info"
check "orvalt-render renders the demo through Orvalt.so" \
  ./orvalt-render --plugin ./Orvalt.so --quiet --demo "$scratch/demo.wav"
check "the demo output exists" test -s "$scratch/demo.wav"
# Without --plugin, as a user runs it from anywhere: the Orvalt.so beside it,
# and without one, the one in ~/.vst; each named on standard error.
found() {  # found <program> <home> <expected line>
  (cd "$scratch" && HOME=$2 "$1" --demo "$scratch/found.wav" >/dev/null 2>"$scratch/found.log") &&
    same "$(cat "$scratch/found.log")" "$3"
}
physical=$(cd "$scratch" && pwd -P)
check "orvalt-render finds the Orvalt.so beside it" found "$scratch/linux/orvalt-render" "$scratch/nohome" \
  "orvalt-render: plug-in $physical/linux/Orvalt.so (found beside orvalt-render)"
mkdir -p "$scratch/lone" "$scratch/home/.vst"
cp orvalt-render "$scratch/lone/"
cp Orvalt.so "$scratch/home/.vst/"
check "orvalt-render alone finds ~/.vst/Orvalt.so" found "$scratch/lone/orvalt-render" "$scratch/home" \
  "orvalt-render: plug-in $scratch/home/.vst/Orvalt.so (found in ~/.vst)"
validate() { ./vstvalidate --quick ./Orvalt.so >"$scratch/validate.log" 2>&1 || { tail -n 5 "$scratch/validate.log"; false; }; }
check "vstvalidate --quick passes Orvalt.so" validate
check "INSTALL.txt names this version" grep -q "Orvalt $version " INSTALL.txt
check "INSTALL.txt says where the LV2 bundle goes" grep -q "~/.lv2" INSTALL.txt
# The LV2 bundle as unpacked: a host finds it by its URI, and it sounds like
# the shipped renderer with the shipped VST plug-in, bit for bit.
lv2_uri=http://www.quillmarsh.com/lv2/Orvalt
# Installed as INSTALL.txt says: the whole folder copied into an LV2 folder (here a scratch ~/.lv2).
mkdir -p "$scratch/dot-lv2" && cp -r Orvalt.lv2 "$scratch/dot-lv2/"
lv2_info() { LV2_PATH="$scratch/dot-lv2" lv2info "$lv2_uri" >"$scratch/lv2info.log" 2>&1 && grep -q 'Symbol: *makeup$' "$scratch/lv2info.log"; }
check "lv2info finds Orvalt.lv2 by its URI" lv2_info
lv2_same() {
  python3 "$root/tests/lv2/floatWav.py" write "$scratch/lv2-in.wav" &&
  ./orvalt-render --plugin ./Orvalt.so --quiet --bits float --set warm=on --json "$scratch/lv2-ren.json"     "$scratch/lv2-in.wav" "$scratch/lv2-ren.wav" &&
  LV2_PATH="$scratch/dot-lv2" lv2apply -c warm 1 -i "$scratch/lv2-in.wav" -o "$scratch/lv2-out.wav" "$lv2_uri" >/dev/null 2>&1 &&
  python3 "$root/tests/lv2/floatWav.py" compare "$scratch/lv2-ren.wav" "$scratch/lv2-out.wav" "$scratch/lv2-ren.json"
}
check "Orvalt.lv2 under lv2apply sounds like Orvalt.so under orvalt-render" lv2_same

for arch in win32 win64; do
  bits=${arch#win}-bit
  dll=$scratch/windows/$bits/Orvalt.dll
  check "$bits/Orvalt.dll tables" bash "$root/tests/host/checkDllTables.sh" "$dll" "$arch" "$root/VERSION"
  exe=$root/build/package/$arch/tools/vstinfo/orvalt-info.exe
  windows_info=$(WINEPREFIX="$scratch/wineprefix-$arch" bash "$root/scripts/wine-run.sh" --arch "$arch" \
                 "$exe" "Z:$dll" | tr -d '\r') || true
  WINEPREFIX="$scratch/wineprefix-$arch" wineserver -k 2>/dev/null || true
  # Both plug-ins have their editor: everything they say is the same, flags included.
  check "$bits/Orvalt.dll under Wine ($arch) says what Orvalt.so says" \
    same "$(sed '1d' <<<"$windows_info")" "$(sed '1d' <<<"$linux_info")"
  check "$bits/Orvalt.dll has its editor" \
    same "$(grep '^flags:' <<<"$windows_info")" "flags:       0x1031 HasEditor CanReplacing ProgramChunks CanDoubleReplacing"
  eval "info_$arch=\$windows_info"
done
check "both DLLs say the same" same "$(sed 1d <<<"$info_win32")" "$(sed 1d <<<"$info_win64")"
check "INSTALL.txt (Windows) names this version" grep -q "Orvalt $version " "$scratch/windows/INSTALL.txt"

finishChecks
