#!/usr/bin/env bash
# Shows what the seed corpora reach: builds the fuzz targets with clang's source-based
# coverage and the replay driver into build/fuzzcov, replays each target's corpus
# (fuzz/corpus/<target>, plus a folder given with --corpus) and prints line and branch
# coverage of the reader's own source files. With --show, the lines never reached are
# listed as well (llvm-cov show), to see which record kinds still want a seed.
# Usage: fuzz/coverage.sh [--show] [--corpus DIR] [TARGET...]   (default: every target)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/fuzzcov
show=0
extra=""
while [ $# -gt 0 ]; do
  case $1 in
    --show) show=1; shift ;;
    --corpus) extra=$2; shift 2 ;;
    *) break ;;
  esac
done
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(convert_fuzz chart_fuzz project_fuzz css_fuzz params_fuzz users_fuzz bmp_fuzz definition_fuzz
           generator_fuzz publish_fuzz package_fuzz docbuild_fuzz template_fuzz wirefold_fuzz read_fuzz)
fi

# The reader's own files per target (paths below the top folder).
sources() {
  case $1 in
    convert_fuzz) echo convert/src/converter.cpp ;;
    chart_fuzz) echo chart/src/chart_file.cpp chart/src/scramble.cpp ;;
    project_fuzz) echo app/src/project.cpp ;;
    css_fuzz) echo app/src/project.cpp ;;
    params_fuzz) echo app/src/params.cpp ;;
    users_fuzz) echo app/src/users.cpp ;;
    bmp_fuzz) echo view/src/bmp.cpp ;;
    definition_fuzz) echo output/src/definition.cpp ;;
    generator_fuzz) echo output/src/generator.cpp ;;
    publish_fuzz) echo output/src/publish.cpp ;;
    package_fuzz) echo output/docbuild/src/package.cpp ;;
    docbuild_fuzz) echo output/docbuild/src/definition.cpp output/docbuild/src/pictures.cpp ;;
    template_fuzz) echo output/docbuild/src/body.cpp output/docbuild/src/contents.cpp ;;
    wirefold_fuzz) echo wirefold/src/formatter.cpp wirefold/src/io.cpp wirefold/src/lines.cpp wirefold/src/timestamp.cpp ;;
    read_fuzz) echo workbook/src/read/reader.cpp workbook/src/read/records.cpp workbook/src/read/attrs.cpp ;;
  esac
}

flags="-fprofile-instr-generate -fcoverage-mapping -O0 -g"
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCHRONAVA_GUI=OFF \
  -DCHRONAVA_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate -DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$dir" -j2 --target fuzz_all >/dev/null
bin=$dir/tests/fuzz/targets
mkdir -p "$dir/profiles"
for t in "${targets[@]}"; do
  corpus=$top/fuzz/corpus/$t
  [ "$t" = read_fuzz ] && corpus=$top/fuzz/corpus/read
  rm -f "$dir/profiles/$t".*
  LLVM_PROFILE_FILE="$dir/profiles/$t.%p.profraw" "$bin/$t" "$corpus" ${extra:+"$extra"} >/dev/null 2>&1 || true
  llvm-profdata merge -sparse -o "$dir/profiles/$t.profdata" "$dir/profiles/$t".*.profraw
  files=$(sources "$t")
  echo "== $t"
  objects=("$bin/$t")
  [ "$t" = read_fuzz ] && objects+=(-object "$(find "$dir" -name 'libcelvane.so.1.0.0' | head -1)")
  llvm-cov report "${objects[@]}" -instr-profile="$dir/profiles/$t.profdata" |
    awk -v files="$files" 'BEGIN { n = split(files, f, " "); for (i = 1; i <= n; i++) want[f[i]] = 1 }
      want[$1] { printf "  %-36s lines %4s of %4s missed (%s)  branches %4s of %4s missed (%s)\n", $1, $9, $8, $10, $12, $11, $13 }'
  if [ "$show" = 1 ]; then
    llvm-cov show "${objects[@]}" -instr-profile="$dir/profiles/$t.profdata" |
      awk -v files="$files" -v top="$top/" '
        BEGIN { n = split(files, f, " "); for (i = 1; i <= n; i++) want[top f[i] ":"] = 1 }
        /^\// { on = ($0 in want); if (on) print "-- never reached in " $0; next }
        on && /^ *[0-9]+\| +0\|/ { print }'
  fi
done
