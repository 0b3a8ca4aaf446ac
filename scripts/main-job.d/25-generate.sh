# Generates the charts of every sample project from a copy of the installation folder,
# the way the frame's generation command does, and summarises each chart written.
set -euo pipefail
dist=$CHRONAVA_BUILD/dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist" "$work/dist"
for nam in "$work"/dist/Projects/SampleT*/SampleT*.nam; do
  echo "-- generate $(basename "$nam")"
  QT_QPA_PLATFORM=offscreen "$work/dist/chronava" generate "$nam"
  for tct in "$(dirname "$nam")"/*.tct; do
    "$work/dist/chronava-cli" dump --summary "$tct" | sed -n 1,3p
  done
done
