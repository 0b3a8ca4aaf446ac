#!/bin/sh
# Chronava preprocessor: turns a raw log of the simple line format described in
# docs/preprocessors.md into the event lines of a .klg file.
#
#   sh awk/log2klg.sh BASE      reads BASE.log, writes BASE.klg (CR LF line ends)
#
# Chronava passes BASE as the log's path without its extension (the "&B" of the
# preprocessor command line). The input bytes pass through unchanged, so a Shift-JIS
# or UTF-8 log gives a .klg in the same code.
LC_ALL=C
export LC_ALL
if [ $# -lt 1 ]; then
    echo "usage: log2klg.sh BASE   (reads BASE.log, writes BASE.klg)" >&2
    exit 2
fi
in="$1.log"
out="$1.klg"
if [ ! -r "$in" ]; then
    echo "log2klg.sh: cannot read $in" >&2
    exit 1
fi
tmp="$out.tmp$$"
trap 'rm -f "$tmp"' EXIT HUP INT TERM

awk '
function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
function warn(msg) { printf "log2klg.sh: line %d: %s\n", NR, msg > "/dev/stderr"; bad++ }
{
    sub(/\r$/, "")
    line = $0
    if (line ~ /^[ \t]*$/ || line ~ /^[ \t]*#/) next
    comment = ""
    semi = index(line, ";")
    if (semi > 0) {
        comment = trim(substr(line, semi + 1))
        line = substr(line, 1, semi - 1)
    }
    n = split(line, f, /[ \t]+/)
    if (f[1] == "") { for (i = 1; i < n; i++) f[i] = f[i + 1]; n-- }
    if (n < 4) { warn("needs date, time, signal and event"); next }
    date = f[1]; gsub(/-/, "/", date)
    if (date !~ /^[0-9]+\/[0-9]+\/[0-9]+$/) { warn("bad date " f[1]); next }
    time = f[2]
    if (time !~ /^[0-9]+:[0-9]+:[0-9]+(\.[0-9]+)?$/) { warn("bad time " f[2]); next }
    sig = f[3]
    if (sig ~ /[=$]/) { warn("bad signal name " sig); next }
    ev = f[4]
    kw = tolower(ev); arg = ""
    colon = index(ev, ":")
    if (colon > 0) { kw = tolower(substr(ev, 1, colon - 1)); arg = substr(ev, colon + 1) }
    if (kw == "on" || kw == "high" || kw == "1") word = "ON"
    else if (kw == "off" || kw == "low" || kw == "0") word = "OFF"
    else if (kw == "pulse") {
        if (arg == "") arg = "1"
        if (arg !~ /^[0-9]+u?$/) { warn("bad pulse width " arg); next }
        word = "PULSE(" arg ")"
    } else if (kw == "graph") {
        if (arg !~ /^[0-9]+(\.[0-9]+)?$/) { warn("bad graph value " arg); next }
        word = "GRAPH(" arg ")"
    } else if (kw == "value") {
        sub(/%$/, "", arg)
        if (arg !~ /^-?[0-9]+(\.[0-9]+)?$/) { warn("bad value " arg); next }
        word = "VALUE(" arg "%)"
    } else if (kw == "text") {
        # The text runs to the comment; blanks inside it are kept.
        rest = line
        sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+[^ \t]+[ \t]+[^:]*:/, "", rest)
        rest = trim(rest)
        gsub(/["()]/, "", rest)
        word = "DISP(\"" rest "\")"
    } else { warn("unknown event " ev); next }
    out = date " " time " $" sig "=" word
    if (comment != "") out = out " // " comment
    printf "%s\r\n", out
}
END { if (bad) printf "log2klg.sh: %d line(s) skipped\n", bad > "/dev/stderr" }
' "$in" > "$tmp" || exit 1
mv -f "$tmp" "$out"
trap - EXIT HUP INT TERM
