# Converts the sample event log into a chart file with the console program and shows
# the chart as read back: its plain lines and a summary of the model.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cli=$CHRONAVA_BUILD/dist/chronava-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/data/samples/sample-events.klg" "$work/"
"$cli" convert "$work/sample-events.klg" -o "$work/sample-events.tct"
echo "-- plain lines of the chart file"
"$cli" dump "$work/sample-events.tct"
echo "-- the chart as read"
"$cli" dump --summary "$work/sample-events.tct"
