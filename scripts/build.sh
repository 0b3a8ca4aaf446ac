#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh [release|debug|asan]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
case "$kind" in
  release) dir=$top/build/release; opts=(-DCMAKE_BUILD_TYPE=Release) ;;
  debug)   dir=$top/build/debug;   opts=(-DCMAKE_BUILD_TYPE=Debug) ;;
  asan)    dir=$top/build/asan;    opts=(-DCMAKE_BUILD_TYPE=Debug -DCHRONAVA_SANITIZE=ON -DCHRONAVA_BENCH=OFF) ;;
  *) echo "usage: $0 [release|debug|asan]" >&2; exit 2 ;;
esac
cmake -S "$top" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
