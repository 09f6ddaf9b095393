#!/bin/sh
# tarvio-cli rows on a 1,000,000-event track, process start and reading the song included:
# the best wall time of RUNS runs (default 5) with ghost rows off and on (target: 1 s).
# Usage: bench/rows_speed.sh [BUILD_DIR]   (the build must have tarvio-cli and bench_rows_bench)
set -e
BUILD=${1:-build}
RUNS=${RUNS:-5}
OUT="$BUILD/bench-out"
SONG="$OUT/rows-1m.tvo"
CLI="$BUILD/bin/tarvio-cli"
GEN="$BUILD/bin/bench_rows_bench"

for f in "$CLI" "$GEN"; do
  [ -x "$f" ] || { echo "$f is missing: build first" >&2; exit 1; }
done
mkdir -p "$OUT"
"$GEN" --generate "$SONG" 1000000

# Best wall time in milliseconds of RUNS runs of a command, its output discarded.
best_ms() {
  best=""
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    us=$(((t1 - t0) / 1000))
    if [ -z "$best" ] || [ "$us" -lt "$best" ]; then best=$us; fi
    i=$((i + 1))
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

lines=$("$CLI" rows "$SONG" --track 0 | wc -l)
echo "tarvio-cli rows, 1,000,000 events ($lines lines): $(best_ms "$CLI" rows "$SONG" --track 0) ms (target 1000 ms)"
echo "tarvio-cli rows --ghost --digit 2: $(best_ms "$CLI" rows "$SONG" --track 0 --ghost --digit 2) ms"
echo "tarvio-cli events (reading the song alone, for comparison): $(best_ms "$CLI" events "$SONG" --track 0) ms"
