#!/usr/bin/env bash
# Installs the Debian packages the project needs (idempotent: only what is missing).
# Usage: scripts/setup.sh [--tests]   (--tests adds the packages the tests use)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=("$here/packages.txt")
for f in "$here"/packages.d/*.txt; do
  [ -e "$f" ] || continue
  if [ "$(basename "$f")" = tests.txt ] && [ "${1:-}" != --tests ]; then continue; fi
  lists+=("$f")
done
wanted=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Another package run holding the dpkg lock is waited for instead of failing the setup.
apt=(apt-get -o DPkg::Lock::Timeout=600)
$sudo "${apt[@]}" update -qq
$sudo "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
