#!/usr/bin/env bash
# Runs every bench/*_ratios.sh (each prints Markdown rows "| what | product | peer | ratio |",
# product and peer measured in the same run) and bench/goal_figures.sh (the figures without a
# peer), and prints them as one table, with the machine's load before and after.
# Usage: bench/run_all.sh [build-dir]   (after KUB_JOBS=3 ./scripts/build.sh)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build"}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "| what | product | peer | ratio |"
echo "|---|---|---|---|"
for script in "$here"/*_ratios.sh "$here"/goal_figures.sh; do
  [ -f "$script" ] || continue
  if ! output=$(bash "$script" "$build"); then
    echo "| $(basename "$script") failed (see its messages above) | | | |"
  fi
  # Only the data rows: every script may print its own header and separator.
  printf '%s\n' "$output" | grep -E '^\|' | grep -vE '^\|[[:space:]]*what[[:space:]]*\||^\|[-:| ]+\|$' || true
done
echo
echo "Load average (1, 5, 15 min) before: $load_before; after: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores."
