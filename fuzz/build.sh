#!/usr/bin/env bash
# Builds every fuzz target with Debian's clang, libFuzzer, ASan and UBSan into
# build/fuzz (not part of the normal build or CI; the test run replays the corpora
# instead). Usage: fuzz/build.sh [TARGET...]   (default: all targets)
# Then fuzz/run.sh runs them; or one by hand, e.g.
#   LSAN_OPTIONS=suppressions=tests/lsan.supp build/fuzz/fuzz/read_fuzz -max_total_time=300 fuzz/corpus/read
# (libgsf leaks a directory entry on some damaged compound files; the suppression
# keeps that from stopping the run; copy a corpus first when new inputs should not
# land in the repository).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/fuzz
flags="-fsanitize=fuzzer-no-link -g -O1"
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCHRONAVA_FUZZ=ON \
  -DCHRONAVA_SANITIZE=ON -DCHRONAVA_GUI=OFF -DCHRONAVA_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$dir" -j2 --target "$@"
else
  cmake --build "$dir" -j2 --target fuzz_all
fi
echo "$dir/tests/fuzz/targets"
