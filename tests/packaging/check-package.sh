#!/usr/bin/env bash
# Builds the Debian packages, checks them with lintian, installs them with dpkg, runs the
# installed program as a plain user and removes the packages again.
# Usage: check-package.sh BUILD_DIR SOURCE_DIR   (exit 77: not root, or a tool is missing)
set -euo pipefail
build=$1
src=$2
if [ "$(id -u)" -ne 0 ]; then echo "SKIP: installing packages needs root"; exit 77; fi
for t in cpack lintian dpkg runuser; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is not installed"; exit 77; }
done
id nobody >/dev/null 2>&1 || { echo "SKIP: no user 'nobody' to run as"; exit 77; }
packages=(chronava libcelvane1 libcelvane-dev)
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed; then
    echo "SKIP: $p is installed already; this check does not replace it"
    exit 77
  fi
done

work=$(mktemp -d /tmp/chronava-package-XXXXXX)
chmod 755 "$work"
installed=0
fail() { echo "FAIL: $*" >&2; exit 1; }

# dpkg refuses to work while another dpkg or apt holds its lock; wait for it.
dpkg_locked() {
  local i
  for i in $(seq 1 60); do
    if "$@" 2>"$work/dpkg.err"; then return 0; fi
    grep -q "lock" "$work/dpkg.err" || { cat "$work/dpkg.err" >&2; return 1; }
    sleep 5
  done
  cat "$work/dpkg.err" >&2
  return 1
}
cleanup() {
  if [ "$installed" = 1 ]; then dpkg_locked dpkg -r "${packages[@]}" >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 3 ] || fail "expected three packages: ${debs[*]}"

# lintian: no errors (warnings are shown; docs/packaging.md explains them).
lintian --tag-display-limit 0 "${debs[@]}" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
errors=$(grep '^E: ' "$work/lintian.txt" || true)
[ -z "$errors" ] || fail "lintian errors: $errors"
echo "ok: lintian reports no error"

dpkg_locked dpkg -i "${debs[@]}" >/dev/null
installed=1
for f in /usr/bin/chronava /usr/bin/wirefold /usr/share/chronava/rq4100s.pro /usr/include/celvane.h \
         /usr/share/applications/chronava.desktop /usr/share/mime/packages/chronava.xml; do
  [ -e "$f" ] || fail "not installed: $f"
done
echo "ok: dpkg -i"

home=$work/home
mkdir -p "$home/run"
chown -R nobody "$home"
as_nobody() {
  (cd "$home/run" && runuser -u nobody -- env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen "$@")
}
as_nobody chronava --version | grep -qx "chronava [0-9.]*" || fail "chronava --version"
as_nobody wirefold --version | grep -qx "wirefold [0-9.]*" || fail "wirefold --version"
# Without XDG_DATA_HOME the per-user copy is made in ~/.local/share/chronava.
as_nobody chronava generate "$home/.local/share/chronava/Projects/SampleT1/SampleT1.nam" || fail "chronava generate"
[ -s "$home/.local/share/chronava/Projects/SampleT1/conveyor.tct" ] || fail "no chart written"
echo "ok: the installed program generates a sample project as nobody"

dpkg_locked dpkg -r "${packages[@]}" >/dev/null
installed=0
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then fail "$p still installed"; fi
done
for f in /usr/bin/chronava /usr/bin/wirefold /usr/share/chronava /usr/include/celvane.h /usr/lib/pkgconfig/celvane.pc \
         /usr/share/applications/chronava.desktop /usr/share/mime/packages/chronava.xml \
         /usr/share/icons/hicolor/scalable/apps/chronava.svg /usr/share/man/man1/chronava.1.gz; do
  [ ! -e "$f" ] || fail "left after dpkg -r: $f"
done
ls /usr/lib/libcelvane.so* >/dev/null 2>&1 && fail "library left after dpkg -r"
# What dpkg keeps after a removal (the library's ldconfig script) goes with a purge.
dpkg_locked dpkg -P "${packages[@]}" >/dev/null
echo "ok: dpkg -r removes everything"
