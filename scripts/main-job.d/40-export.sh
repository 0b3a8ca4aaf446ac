# Exports the charts of two sample projects as GIF and metafile pages from a copy of
# the installation folder, and counts what was written.
set -euo pipefail
dist=$CHRONAVA_BUILD/dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist" "$work/dist"
export QT_QPA_PLATFORM=offscreen
for p in SampleT1 SampleT3; do
  nam="$work/dist/Projects/$p/$p.nam"
  "$work/dist/chronava" generate "$nam" >/dev/null
  for fmt in gif wmf; do
    n=$("$work/dist/chronava" export --$fmt "$nam" 2>/dev/null | wc -l)
    echo "-- $p: $n $fmt pages written"
  done
done
