# Exports the charts of every sample project as GIF and metafile pages from a copy of
# the installation folder, and counts what was written. SampleT5 names a log outside
# its folder (awk/ftp001.log), whose chart and pages lie in the project's data folder.
set -euo pipefail
dist=$CHRONAVA_BUILD/dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist" "$work/dist"
export QT_QPA_PLATFORM=offscreen
# Qt asks for a runtime folder; one of our own keeps its notice out of the output.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run
for p in SampleT1 SampleT2 SampleT3 SampleT4 SampleT5; do
  nam="$work/dist/Projects/$p/$p.nam"
  "$work/dist/chronava" generate "$nam" >/dev/null
  for fmt in gif wmf; do
    n=$("$work/dist/chronava" export --$fmt "$nam" | wc -l)
    echo "-- $p: $n $fmt pages written"
  done
done
# Every chart and page of SampleT5 lies in its data folder, none beside the log in awk/.
echo "-- SampleT5: $(ls "$work/dist/Projects/SampleT5" | grep -c '^ftp001-tct-.*\.gif$') ftp001 gif pages in the project folder," \
  "$(ls "$work/dist/awk" | grep -c 'tct') chart files in awk/"
