#!/usr/bin/env bash
# Thread tags at the seams: every virtual operation in the given headers sits in
# a declaration group (lines up to a blank line or an access label) whose
# comment carries a tag; a comment carries at most one tag; and an operation
# tagged in more than one place (a base and its override, a definition's
# comment) names the same thread everywhere. A tag is [UI thread], [audio
# thread] or [any thread], optionally narrowed after a comma.
# Usage: checkThreadTags.sh FILE...   (headers and sources; exits 1 on a fault)
set -u
awk '
function base(tag) { sub(/^\[/, "", tag); sub(/[],].*$/, "", tag); return tag }
function fname(line,   s) {
    s = line
    sub(/\(.*/, "", s)
    n = split(s, parts, /[^A-Za-z0-9_~]+/)
    for (k = n; k > 0; --k) if (parts[k] != "") return parts[k]
    return ""
}
FNR == 1 { grouptag = ""; pending = "" }
/^[ \t]*$/ || /^[ \t]*(public|private|protected):/ { grouptag = ""; pending = ""; next }
/^[ \t]*\/\// {
    line = $0; count = 0; first = ""
    while (match(line, /\[(UI|audio|any) thread[^]]*\]/)) {
        tag = substr(line, RSTART, RLENGTH)
        if (tag !~ /^\[(UI|audio|any) thread(, [^]]+)?\]$/) {
            printf "%s:%d: not a tag of the agreed form: %s\n", FILENAME, FNR, tag; bad = 1
        }
        if (count == 0) first = tag
        else if (base(tag) != base(first)) {
            printf "%s:%d: two threads in one comment: %s and %s\n", FILENAME, FNR, first, tag; bad = 1
        }
        ++count
        line = substr(line, RSTART + RLENGTH)
    }
    if (count) { grouptag = first; pending = first }
    next
}
{
    isHeader = FILENAME ~ /\.h$/
    if ($0 ~ /\(/) opening = $0  # a declaration over several lines is named by its first
    if (isHeader && ($0 ~ /^[ \t]*virtual[ \t]/ || $0 ~ /\)[ \t]*(const[ \t]*)?(override|final)([ \t;{]|$)/)) {
        name = fname($0 ~ /\(/ ? $0 : opening)
        if (name ~ /^~/) { pending = ""; next }  # destructors follow their class
        if (grouptag == "") { printf "%s:%d: %s has no thread tag\n", FILENAME, FNR, name; bad = 1 }
        else seen[name] = seen[name] sprintf("%s|%s:%d\n", base(grouptag), FILENAME, FNR)
    } else if (!isHeader && pending != "" && $0 ~ /^[A-Za-z].*[A-Za-z0-9_]+::[A-Za-z0-9_]+\(/) {
        name = fname($0)
        seen[name] = seen[name] sprintf("%s|%s:%d\n", base(pending), FILENAME, FNR)
    }
    pending = ""
}
END {
    for (name in seen) {
        n = split(seen[name], rows, "\n"); firstBase = ""
        for (k = 1; k <= n; ++k) {
            if (rows[k] == "") continue
            split(rows[k], f, "|")
            if (firstBase == "") { firstBase = f[1]; firstAt = f[2] }
            else if (f[1] != firstBase) {
                printf "%s: [%s] at %s but [%s] at %s\n", name, firstBase, firstAt, f[1], f[2]; bad = 1
            }
        }
    }
    exit bad
}' "$@"
