#!/usr/bin/env bash
# The main job: install what is missing, build, and run the command-line forms of the
# deliverables on the sample data (the installation folder is build/release/dist).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" release
export CHRONAVA_BUILD=$top/build/release
for job in "$top"/scripts/main-job.d/*.sh; do
  [ -e "$job" ] || continue
  echo "== $(basename "$job" .sh)"
  bash "$job"
done
echo "main job finished"
