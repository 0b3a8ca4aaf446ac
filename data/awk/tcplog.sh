#!/bin/sh
# Chronava preprocessor: turns the output of wirefold (one line per TCP packet) into
# the event lines of a .klg file.
#
#   sh awk/tcplog.sh BASE       reads BASE.log, writes BASE.klg (CR LF line ends)
#
# Each direction of a TCP connection becomes one signal named "SOURCE>DESTINATION"
# (address.port as wirefold prints them) with a PULSE per packet and the payload as
# its comment. FTP commands (client to port 21) also become display marks on the
# signal "FTP", so the chart shows the session's commands as texts.
#
# A log whose first line is "#CHRONAVA-RAW" is in the raw format of log2klg.sh and is
# handed to that script, so the one preprocessor command of the settings serves both.
LC_ALL=C
export LC_ALL
if [ $# -lt 1 ]; then
    echo "usage: tcplog.sh BASE   (reads BASE.log, writes BASE.klg)" >&2
    exit 2
fi
in="$1.log"
out="$1.klg"
if [ ! -r "$in" ]; then
    echo "tcplog.sh: cannot read $in" >&2
    exit 1
fi
first=$(head -n 1 "$in" | tr -d '\r')
case "$first" in
"#CHRONAVA-RAW"*) exec sh "$(dirname "$0")/log2klg.sh" "$1" ;;
esac
tmp="$out.tmp$$"
trap 'rm -f "$tmp"' EXIT HUP INT TERM

awk '
{
    sub(/\r$/, "")
    # date (MM/DD/YYYY with -jst, YYYY-MM-DD without), time, source, ">", destination,
    # then the payload in double quotes.
    if (NF < 5 || $4 != ">") next
    d = $1
    if (d ~ /^[0-9]+\/[0-9]+\/[0-9]+$/) { split(d, p, "/"); date = p[3] "/" p[1] "/" p[2] }
    else if (d ~ /^[0-9]+-[0-9]+-[0-9]+$/) { split(d, p, "-"); date = p[1] "/" p[2] "/" p[3] }
    else next
    time = $2
    src = $3; dst = $5
    payload = ""
    q = index($0, "\"")
    if (q > 0) {
        payload = substr($0, q + 1)
        sub(/"[ \t]*$/, "", payload)
        sub(/(\.\.)+$/, "", payload)      # the CR LF at the end, shown as dots
    }
    sig = src ">" dst
    line = date " " time " $" sig "=PULSE(200u)"
    if (payload != "") line = line " // " payload
    printf "%s\r\n", line
    # An FTP command: a word of three or four capital letters sent to port 21. wirefold
    # shows the blank behind it as a dot, like every blank; the chart text gets the
    # blank back ("USER.tester" reads "USER tester").
    if (dst ~ /\.21$/ && payload ~ /^[A-Z][A-Z][A-Z][A-Z]?([ .]|$)/) {
        text = payload
        n = match(text, /^[A-Z]+/) ? RLENGTH : 0
        if (substr(text, n + 1, 1) == ".") text = substr(text, 1, n) " " substr(text, n + 2)
        gsub(/["()]/, "", text)
        printf "%s %s $FTP=DISP(\"%s\")\r\n", date, time, text
    }
}
' "$in" > "$tmp" || exit 1
mv -f "$tmp" "$out"
trap - EXIT HUP INT TERM
