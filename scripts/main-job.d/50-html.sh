# Produces the HTML pages of a sample project from a copy of the installation folder,
# checks them with an HTML parser and publishes them to a local FTP server. The pages
# and their images are kept in build/release/html-sample/ to be opened in a browser.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dist=$CHRONAVA_BUILD/dist
work=$(mktemp -d)
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$dist" "$work/dist"
export QT_QPA_PLATFORM=offscreen
p=SampleT1
nam="$work/dist/Projects/$p/$p.nam"
"$work/dist/chronava" generate "$nam" >/dev/null
"$work/dist/chronava" html "$nam" --targets cvp,idx,tct --date 2026-01-01
out=$CHRONAVA_BUILD/html-sample
rm -rf "$out" && mkdir -p "$out"
cp "$work/dist/Projects/$p"/*.html "$work/dist/Projects/$p"/*.gif "$out/"
/usr/bin/python3 "$top/tests/output/htmlcheck.py" "$out"/*.html
echo "-- $p: pages in $out"

# Publishing to a throw-away server on 127.0.0.1.
mkdir -p "$work/ftp/web"
/usr/bin/python3 "$top/tests/output_ftp/ftpserver.py" --root "$work/ftp" --user demo --password demo \
  > "$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.2; done
echo demo | "$work/dist/chronava" html "$nam" --targets cvp,idx,tct --date 2026-01-01 --upload --server "127.0.0.1:$(cat "$work/port")" \
  --folder web --ftp-user demo --password-stdin | tail -1
for f in "$work/ftp/web"/*; do
  cmp -s "$f" "$work/dist/Projects/$p/$(basename "$f")" && echo "-- published $(basename "$f")"
done
