#!/usr/bin/env bash
# Runs fuzz targets built by fuzz/build.sh, one after the other, each for a given
# time, and prints per target the executions, the coverage (edges and features) and
# the findings. New corpus inputs go to a scratch folder, not into the repository;
# findings are kept in build/fuzz/findings/<target>/ (add each to the target's
# corpus after the fix, so the test run replays it).
# Usage: fuzz/run.sh SECONDS [TARGET...]   (default: every target)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$top/build/fuzz/tests/fuzz/targets
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(convert_fuzz chart_fuzz project_fuzz css_fuzz params_fuzz users_fuzz bmp_fuzz definition_fuzz
           generator_fuzz publish_fuzz package_fuzz docbuild_fuzz template_fuzz wirefold_fuzz read_fuzz)
fi
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
printf '%-16s %10s %8s %8s %6s %s\n' target execs cov ft corpus findings
status=0
for t in "${targets[@]}"; do
  corpus=$top/fuzz/corpus/$t
  [ "$t" = read_fuzz ] && corpus=$top/fuzz/corpus/read
  work=$(mktemp -d)
  found=$top/build/fuzz/findings/$t
  mkdir -p "$found"
  log=$top/build/fuzz/findings/$t.log
  "$bin/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix="$found/" "$work" "$corpus" >"$log" 2>&1
  rc=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*')
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*')
  corp=$(grep -o 'corp: [0-9]*' <<<"$last" | grep -o '[0-9]*')
  findings=$(find "$found" -maxdepth 1 -type f | wc -l)
  [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ] && status=1
  printf '%-16s %10s %8s %8s %6s %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" \
    "$findings$([ "$rc" -ne 0 ] && echo " (exit $rc, see $log)")"
  rm -rf "$work"
done
exit $status
