#!/bin/sh
# Runs every benchmark program of a build folder and prints their figures.
BUILD=${1:-build}
for b in "$BUILD"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true || exit 1
done
