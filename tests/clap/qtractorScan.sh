#!/usr/bin/env bash
# Qtractor's own plug-in scan (the helper it runs headless for every plug-in
# file) on the built Orvalt.clap: it must load it and list one plug-in with
# its stereo pair, one MIDI input, seven parameters and an editor.
# Usage: qtractorScan.sh ORVALT_CLAP. Exit 77 (skipped) without Qtractor.
set -euo pipefail
clap=$1
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
[ -x "$scanner" ] || { echo "SKIP: Qtractor's plug-in scan is not installed (qtractor)"; exit 77; }
work=$(mktemp -d /tmp/orvalt-qtractor-scan-XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config"
line=$(echo "CLAP:$clap" | timeout 60 "$scanner" 2>"$work/err") || { cat "$work/err"; echo "FAIL: the scan ended badly"; exit 1; }
echo "$line"
IFS='|' read -r type name audio midi params flags path rest <<<"$line"
check() { [ "$2" = "$3" ] || { echo "FAIL: $1 is '$2', expected '$3'"; exit 1; }; }
check type "$type" CLAP
check name "$name" Orvalt
check "audio ins:outs" "$audio" 2:2
check "MIDI ins:outs" "$midi" 1:0
check "parameters (in:out)" "$params" 7:0
check path "$path" "$clap"
case ",$flags," in *,GUI,*) ;; *) echo "FAIL: no editor in '$flags'"; exit 1 ;; esac
[ "$(echo "$line" | wc -l)" = 1 ] || { echo "FAIL: more than one plug-in listed"; exit 1; }
