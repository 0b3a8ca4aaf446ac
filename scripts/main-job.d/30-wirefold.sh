# wirefold on the sample FTP session, printed by tcpdump in its older and today's
# layout: one line per packet, times in Japan time, the password masked.
top=$(cd "$(dirname "$0")/../.." && pwd)
wirefold=$CHRONAVA_BUILD/wirefold/wirefold
samples=$top/wirefold/samples
for layout in older today; do
  echo "-- wirefold -jst ftp-session-$layout.txt"
  "$wirefold" -jst "$samples/ftp-session-$layout.txt"
done
echo "-- the same with -n20, through standard input"
"$wirefold" -n20 < "$samples/ftp-session-today.txt"
echo "-- wirefold -help"
"$wirefold" -help
exit 0
