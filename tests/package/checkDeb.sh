#!/usr/bin/env bash
# The Debian package as a user installs it: lintian finds no error; installed
# with apt-get (which also pulls the stated dependencies), the LV2 bundle is
# found by lilv by its URI, Ardour's VST scanner takes the installed Orvalt.so,
# the VST 3 and CLAP bundles sit where their hosts scan, orvalt-render finds the
# plug-in without --plugin and its manual page and completion are in place;
# removed, nothing of it is left. Runs as root (CI does); changes the system.
# Usage: checkDeb.sh <orvalt_<version>_amd64.deb> <scratch folder>
set -u
deb=$(readlink -f "$1")
scratch=$2
# shellcheck source=checkSupport.sh
source "$(dirname "$0")/checkSupport.sh"
rm -rf "$scratch" && mkdir -p "$scratch" && scratch=$(cd "$scratch" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "FAIL checkDeb.sh must run as root"; exit 1; }

no_lintian_errors() {
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1
  local rc=$?
  sed 's/^/     /' "$scratch/lintian.log" | head -n 20
  [ $rc -eq 0 ] && ! grep -q '^E:' "$scratch/lintian.log"
}
check "lintian reports no error" no_lintian_errors

dpkg-query -W orvalt >/dev/null 2>&1 && dpkg --purge orvalt >/dev/null 2>&1
install_deb() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$scratch/install.log" 2>&1 || { tail -n 5 "$scratch/install.log"; false; }; }
check "apt-get installs the package" install_deb
dpkg -L orvalt >"$scratch/files" 2>/dev/null

lv2_found() { env -u LV2_PATH lv2info http://www.quillmarsh.com/lv2/Orvalt 2>&1 | grep -q 'Bundle: *file:///usr/lib/lv2/Orvalt.lv2/'; }
check "lv2info finds the installed bundle in /usr/lib/lv2" lv2_found
ardour_scan() {
  local scanner
  scanner=$(ls /usr/lib/ardour*/ardour-vst-scanner 2>/dev/null | head -n 1)
  [ -n "$scanner" ] || { echo "     ardour-vst-scanner is missing"; return 1; }
  HOME=$scratch/home LD_LIBRARY_PATH=$(dirname "$scanner") "$scanner" -f /usr/lib/vst/Orvalt.so >"$scratch/scan.log" 2>&1 ||
    { tail -n 3 "$scratch/scan.log"; return 1; }
}
check "Ardour's VST scanner takes /usr/lib/vst/Orvalt.so" ardour_scan
render_finds() {
  (cd "$scratch" && HOME=$scratch/nohome orvalt-render --demo "$scratch/demo.wav" >/dev/null 2>"$scratch/render.log") &&
    grep -qx 'orvalt-render: plug-in /usr/lib/vst/Orvalt.so (found in /usr/lib/vst)' "$scratch/render.log" ||
    { cat "$scratch/render.log"; false; }
}
check "orvalt-render without --plugin finds /usr/lib/vst/Orvalt.so" render_finds
check "orvalt-render(1) lists --ceiling-dbtp" bash -c 'man -P cat orvalt-render 2>/dev/null | grep -q -- "--ceiling-dbtp"'
check "each tool has its manual page" bash -c 'for t in orvalt-render orvalt-info vstvalidate; do [ -f /usr/share/man/man1/$t.1.gz ] || exit 1; done'
check "bash completes orvalt-render's options" bash -c \
  '. /usr/share/bash-completion/bash_completion; . /usr/share/bash-completion/completions/orvalt-render;
   COMP_LINE="orvalt-render --ceil"; COMP_POINT=${#COMP_LINE}; COMP_WORDS=(orvalt-render --ceil); COMP_CWORD=1;
   _orvalt_render orvalt-render --ceil orvalt-render;
   [ "${COMPREPLY[*]}" = "--ceiling-dbtp" ]'
check "the licence and changelog are in /usr/share/doc/orvalt" \
  test -f /usr/share/doc/orvalt/copyright -a -f /usr/share/doc/orvalt/changelog.gz
for bundle in /usr/lib/vst3/Orvalt.vst3/Contents/x86_64-linux/Orvalt.so /usr/lib/clap/Orvalt.clap; do
  if grep -qx "$bundle" "$scratch/files"; then check "$bundle is installed" test -f "$bundle"; fi
done

remove() { dpkg --purge orvalt >"$scratch/remove.log" 2>&1 || { cat "$scratch/remove.log"; false; }; }
check "dpkg removes the package" remove
left_behind() {
  local left=0 f
  while read -r f; do
    # A folder another package still owns (/usr/lib/lv2, /usr/share/man/man1...) stays.
    [ -d "$f" ] && dpkg -S "$f" >/dev/null 2>&1 && continue
    [ "$f" = /. ] && continue
    [ -e "$f" ] && { echo "     left: $f"; left=1; }
  done <"$scratch/files"
  [ $left -eq 0 ]
}
check "nothing of the package is left" left_behind
check "the package list says it is gone" bash -c '! dpkg-query -W -f="\${Status}" orvalt 2>/dev/null | grep -q installed'

finishChecks
