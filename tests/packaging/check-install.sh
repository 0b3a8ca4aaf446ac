#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a user and a desktop see it:
# desktop entry, file types, the library through pkg-config, shell completion, and the
# program run from a read-only prefix writing only into its XDG folders.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR    (exit 77: a needed tool is missing)
set -euo pipefail
build=$1
src=$2
for t in desktop-file-validate update-desktop-database update-mime-database xdg-mime mimetype pkg-config cc; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/chronava-install-XXXXXX)
user=""
if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1; then user=nobody; fi
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/chronava bin/wirefold include/celvane.h lib/pkgconfig/celvane.pc share/chronava/rq4100s.pro \
         share/chronava/rq4100s.prm share/chronava/rq4100.ctl share/chronava/help/index.html \
         share/chronava/awk/tcplog.sh share/chronava/Projects/SampleT1/SampleT1.nam share/man/man1/chronava.1.gz \
         share/man/man1/wirefold.1.gz share/applications/chronava.desktop share/mime/packages/chronava.xml \
         share/icons/hicolor/scalable/apps/chronava.svg share/icons/hicolor/48x48/apps/chronava.png \
         share/bash-completion/completions/chronava; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
ls "$prefix"/lib/libcelvane.so* >/dev/null || fail "libcelvane not installed"
if [ -e "$build/dist/chronava-docbuild" ]; then
  for f in bin/chronava-docbuild share/man/man1/chronava-docbuild.1.gz share/chronava/rq4100.docx; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
  done
fi
stray=$(cd "$prefix" && find . -mindepth 1 -maxdepth 1 ! -name bin ! -name lib ! -name include ! -name share)
[ -z "$stray" ] || fail "installed outside bin, lib, include and share: $stray"
echo "ok: installed into a prefix"

# Desktop entry and file types, as a desktop finds them through XDG_DATA_DIRS.
desktop-file-validate "$prefix/share/applications/chronava.desktop" || fail "desktop entry rejected"
update-mime-database "$prefix/share/mime"
update-desktop-database "$prefix/share/applications" >/dev/null 2>&1 || fail "update-desktop-database"
mkdir -p "$work/files" "$work/emptyhome"
cp "$src/data/Projects/SampleT1/SampleT1.nam" "$work/files/"
LD_LIBRARY_PATH=$prefix/lib "$prefix/bin/chronava" convert "$src/data/Projects/SampleT1/conveyor.klg" \
  -o "$work/files/conveyor.tct" >/dev/null
cp "$work/files/SampleT1.nam" "$work/files/project-without-extension"
cp "$work/files/conveyor.tct" "$work/files/chart-without-extension"
query() { XDG_DATA_DIRS=$prefix/share:/usr/share XDG_DATA_HOME=$work/emptyhome XDG_CURRENT_DESKTOP= \
          xdg-mime query "$@" 2>/dev/null; }
expect_type() {
  local got
  got=$(query filetype "$work/files/$1")
  [ "$got" = "$2" ] || fail "$1 is '$got', not $2"
}
expect_type SampleT1.nam application/x-chronava-project
expect_type conveyor.tct application/x-chronava-chart
expect_type project-without-extension application/x-chronava-project
expect_type chart-without-extension application/x-chronava-chart
for t in application/x-chronava-project application/x-chronava-chart; do
  [ "$(query default "$t")" = chronava.desktop ] || fail "$t does not open with chronava.desktop"
done
echo "ok: desktop entry valid, .nam and .tct (by name and by content) open with Chronava"

# The library through pkg-config: a C program writes and reads a workbook.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
cc -Wall -Wextra -o "$work/workbook_user" "$src/tests/packaging/workbook_user.c" $(pkg-config --cflags --libs celvane)
LD_LIBRARY_PATH=$prefix/lib "$work/workbook_user" "$work/files/book.xls"
echo "ok: a program built with pkg-config celvane writes and reads a workbook"

# The manual page describes every subcommand the program lists.
man_text=$(zcat "$prefix/share/man/man1/chronava.1.gz" | sed 's/\\-/-/g')
for sub in $(LD_LIBRARY_PATH=$prefix/lib "$prefix/bin/chronava" --help | sed -n '/^subcommands/,$ s/^  \([a-z][-a-z]*\) .*/\1/p'); do
  grep -q "^\.B[I]* $sub\b" <<<"$man_text" || fail "chronava.1 does not describe the subcommand $sub"
done
echo "ok: the manual page describes every subcommand"

# Shell completion offers the subcommands the program lists.
words=$(PATH=$prefix/bin:$PATH bash -c '
  source "$1/share/bash-completion/completions/chronava"
  COMP_WORDS=(chronava ge); COMP_CWORD=1; _chronava; echo "${COMPREPLY[*]}"
  COMP_WORDS=(chronava --ve); COMP_CWORD=1; _chronava; echo "${COMPREPLY[*]}"' _ "$prefix")
grep -qx generate <<<"$(head -1 <<<"$words")" || fail "completion of 'ge': $words"
grep -qx -- --version <<<"$(tail -1 <<<"$words")" || fail "completion of '--ve': $words"
echo "ok: bash completion"

# The main job from a read-only prefix, as a plain user: only the XDG folders are written.
chmod -R a-w "$prefix"
home=$work/home
mkdir -p "$home/run"
[ -n "$user" ] && chown -R "$user" "$home"
marker=$work/marker
touch "$marker"
sleep 1
as_user() {
  local env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
             LD_LIBRARY_PATH="$prefix/lib" QT_QPA_PLATFORM=offscreen)
  if [ -n "$user" ]; then (cd "$home/run" && runuser -u "$user" -- "${env[@]}" "$@")
  else (cd "$home/run" && "${env[@]}" "$@"); fi
}
as_user "$prefix/bin/chronava" --version | grep -qx "chronava [0-9.]*" || fail "chronava --version"
as_user "$prefix/bin/wirefold" --version | grep -qx "wirefold [0-9.]*" || fail "wirefold --version"
# The first start makes the per-user copy, in which the sample project is then found.
as_user "$prefix/bin/chronava" generate "$home/data/chronava/Projects/SampleT1/SampleT1.nam" \
  || fail "generate from the per-user copy"
[ -s "$home/data/chronava/Projects/SampleT1/conveyor.tct" ] || fail "no chart written"
if [ -e "$prefix/bin/chronava-docbuild" ]; then
  # The document builder is found in bin/ although the program works in the per-user copy.
  as_user "$prefix/bin/chronava" word "$home/data/chronava/Projects/SampleT1/SampleT1.nam" >/dev/null 2>&1 \
    || fail "chronava word"
  [ -s "$home/data/chronava/Projects/SampleT1/SampleT1.docx" ] || fail "no Word document written"
  [ -s "$home/data/chronava/word.log" ] || fail "no word.log in the per-user folder"
fi
stray=$(find "$home" -newer "$marker" ! -type d | grep -v -e "^$home/data/chronava/" -e "^$home/config/" || true)
[ -z "$stray" ] || fail "written outside the XDG folders: $stray"
changed=$(find "$prefix" -newer "$marker" || true)
[ -z "$changed" ] || fail "the prefix was changed: $changed"
if [ -n "$user" ]; then
  others=$(find /tmp /var/tmp /dev/shm -xdev -user "$user" -newer "$marker" 2>/dev/null | grep -v "^$work" || true)
  [ -z "$others" ] || fail "$user left files behind: $others"
fi
echo "ok: installed program ran from a read-only prefix${user:+ as $user}"
