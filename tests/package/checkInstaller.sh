#!/usr/bin/env bash
# The Windows installer as a user runs it, under Wine in a 64-bit prefix of its
# own: a silent install with the defaults puts the 64-bit plug-ins where hosts
# look and registers the uninstaller in the program list; the installed DLL
# loads in our own Windows host (orvalt-info.exe); a second silent install with
# /VST2DIR=, /VST2DIR32= and /WITH32 honours them and adds the 32-bit plug-ins
# (loaded by the 32-bit orvalt-info.exe); each silent uninstall removes every
# file it installed, its folders and registry keys, and keeps the user's
# defaults file.
# Usage: checkInstaller.sh <Orvalt-<version>-setup.exe> <scratch folder>
# (orvalt-info.exe comes from build/package/{win32,win64}, made by scripts/package.sh).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$(readlink -f "$1")
scratch=$2
# shellcheck source=checkSupport.sh
source "$(dirname "$0")/checkSupport.sh"
rm -rf "$scratch" && mkdir -p "$scratch" && scratch=$(cd "$scratch" && pwd)
export WINEARCH=win64 WINEPREFIX=$scratch/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Silent installs show nothing; without a display nothing can wait on a window.
unset DISPLAY
wineboot -i >"$scratch/wineboot.log" 2>&1
c=$WINEPREFIX/drive_c
user_dir=$(ls -d "$c/users/"*/AppData/Roaming 2>/dev/null | grep -v '/Public/' | head -n 1)
[ -n "$user_dir" ] || { echo "FAIL no application-data folder in the prefix"; exit 1; }
defaults=$user_dir/Quillmarsh/Orvalt.defaults
mkdir -p "$(dirname "$defaults")" && echo "the user's own defaults" >"$defaults"

run() { timeout 300 wine "$@" >>"$scratch/wine.log" 2>&1; local rc=$?; wineserver -w; return $rc; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmarsh Orvalt'
registered() { wine reg query "$uninstall_key" /v UninstallString /reg:64 2>/dev/null | grep -q 'Uninstall.exe'; }
unregistered() { ! registered; }
loads() {  # loads <arch> <windows path of the DLL>
  local info
  info=$(timeout 120 wine "$root/build/package/$1/tools/vstinfo/orvalt-info.exe" "$2" 2>/dev/null </dev/null | tr -d '\r')
  grep -q '^name: *Orvalt$' <<<"$info" || { echo "     orvalt-info said: $(head -n 3 <<<"$info")"; false; }
}
# Every file the staged builds would give, per architecture (VST 3 and CLAP when built).
expect() {  # expect <vst2 folder> <arch>
  local sub=x86_64-win common="$c/Program Files/Common Files"
  [ "$2" = win32 ] && sub=x86-win common="$c/Program Files (x86)/Common Files"
  echo "$1/Orvalt.dll"
  [ -f "$root/build/package/$2/Orvalt.vst3/Contents/$sub/Orvalt.vst3" ] && echo "$common/VST3/Orvalt.vst3/Contents/$sub/Orvalt.vst3"
  [ -f "$root/build/package/$2/clap/Orvalt.clap" ] && echo "$common/CLAP/Orvalt.clap"
}
all_there() { local f ok=0; for f in "$@"; do [ -f "$f" ] || { echo "     missing: $f"; ok=1; }; done; return $ok; }
none_there() { local f ok=0; for f in "$@"; do [ -e "$f" ] && { echo "     left: $f"; ok=1; }; done; return $ok; }
uninstall() {
  run "$c/Program Files/Quillmarsh/Orvalt/Uninstall.exe" /S
  # The uninstaller copies itself to a temporary folder and runs from there.
  wineserver -w
}

# 1. Silent, with every default.
check "silent install (defaults)" run "$setup" /S
mapfile -t first < <(expect "$c/Program Files/VSTPlugins" win64)
check "the 64-bit plug-ins are where hosts look" all_there "${first[@]}"
check "no 32-bit plug-in unless asked" none_there "$c/Program Files (x86)/VSTPlugins/Orvalt.dll"
check "the uninstaller is in the program list" registered
check "the installed 64-bit DLL loads in our Windows host" loads win64 'C:\Program Files\VSTPlugins\Orvalt.dll'
check "silent uninstall" uninstall
check "every installed file is gone" none_there "${first[@]}" "$c/Program Files/Quillmarsh/Orvalt" "$c/Program Files/VSTPlugins"
check "the uninstaller left the program list" unregistered
check "the user's defaults file is kept" grep -qx "the user's own defaults" "$defaults"

# 2. Silent, with the documented options.
check "silent install (/VST2DIR, /VST2DIR32, /WITH32)" \
  run "$setup" /S '/VST2DIR=C:\Audio\VST2 64' '/VST2DIR32=C:\Audio\VST2 32' /WITH32
mapfile -t second < <(expect "$c/Audio/VST2 64" win64; expect "$c/Audio/VST2 32" win32)
check "every plug-in is in the folders asked for" all_there "${second[@]}"
check "nothing went to the default VST 2 folder" none_there "$c/Program Files/VSTPlugins/Orvalt.dll"
check "the installed 32-bit DLL loads in our 32-bit Windows host" loads win32 'C:\Audio\VST2 32\Orvalt.dll'
check "silent uninstall (options)" uninstall
check "every installed file is gone (options)" none_there "${second[@]}" "$c/Audio/VST2 64" "$c/Audio/VST2 32"
check "the user's defaults file is still kept" grep -qx "the user's own defaults" "$defaults"

wineserver -k 2>/dev/null
finishChecks
