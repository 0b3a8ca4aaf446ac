#!/usr/bin/env bash
# Builds the workbook reader's fuzz target with Debian's clang and libFuzzer (not part
# of the normal build or CI). Usage: fuzz/build.sh, then
#   LSAN_OPTIONS=suppressions=tests/lsan.supp build/fuzz/read_fuzz -max_total_time=300 fuzz/corpus/read
# (libgsf leaks a directory entry on some damaged compound files; the suppression
# keeps that from stopping the run)
# (copy the corpus first when new inputs should not land in the repository).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -g -O1"
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCHRONAVA_SANITIZE=ON \
  -DCHRONAVA_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$dir" -j2 --target celvane
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$top/workbook/include" \
  $(pkg-config --cflags libgsf-1) "$top/fuzz/read_fuzz.cpp" -o "$dir/read_fuzz" \
  -L"$dir/dist" -Wl,-rpath,"$dir/dist" -lcelvane $(pkg-config --libs libgsf-1)
echo "$dir/read_fuzz"
