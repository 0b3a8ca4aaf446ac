# Starts the desktop program headless (offscreen platform) on a copy of the
# installation folder: it opens a sample project, checks that the project tree is
# filled, and exits.
set -euo pipefail
dist="$CHRONAVA_BUILD/dist"
if [ ! -x "$dist/chronava" ]; then
  echo "chronava was not built (CHRONAVA_GUI off?); skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist/." "$work/"
# A fresh installation needs the default user parameters and a sample project; make
# minimal ones when the build did not provide them.
if [ ! -f "$work/rq4100s.pro" ]; then
  { printf ' [KOV:PRM:Q98:V2.50 ] \r\n'; head -c 109264 /dev/zero; } > "$work/rq4100s.pro"
fi
project="$work/Projects/SampleT1/SampleT1.nam"
if [ ! -f "$project" ]; then
  mkdir -p "$work/Projects/SampleT1"
  printf '$SIG=ON\r\n' > "$work/Projects/SampleT1/demo.klg"
  printf ' [KOV:NAM:V2.00 ]\r\n[Sources]\r\n"demo.klg"\r\n[IncludePath]\r\n[Common]\r\nDataDirectory = "%s"\r\nInputBaseDirectory = "%s"\r\nInputFileCode = SJIS\r\n' \
    "$work/Projects/SampleT1" "$work/Projects/SampleT1" > "$project"
fi
export XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work/.run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen "$work/chronava" --selftest "$project" 2>/dev/null
"$work/chronava" --help | sed -n '4,$p'
