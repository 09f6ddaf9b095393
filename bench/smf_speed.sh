#!/bin/sh
# Standard MIDI File speed against the Debian tools, side by side in one run on the same file:
# importing a 5 MB format-1 file of 32 tracks against `midicsv FILE > /dev/null`.
# Each figure is the best wall time of RUNS runs (default 5); the ratio is peer / tarvio, so
# 2.0 means twice as fast as the peer.
# Usage: bench/smf_speed.sh [BUILD_DIR]   (the build must have bench_smf_import_bench)
set -e
BUILD=${1:-build}
RUNS=${RUNS:-5}
OUT="$BUILD/bench-out"
BIG="$OUT/big.mid"
IMPORT_TOOL="$BUILD/bin/bench_smf_import_bench"

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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

need() {
  command -v "$1" >/dev/null 2>&1 || { echo "$1 is not installed" >&2; exit 1; }
}

generate() {
  [ -x "$IMPORT_TOOL" ] || { echo "$IMPORT_TOOL is missing: build first" >&2; exit 1; }
  mkdir -p "$OUT"
  "$IMPORT_TOOL" --generate "$BIG"
  echo "file: $BIG, $(wc -c <"$BIG") bytes, best of $RUNS runs"
}

measure_import() {
  need midicsv
  ours=$("$IMPORT_TOOL" --time "$BIG" "$RUNS")
  peer=$(best_ms midicsv "$BIG")
  echo "import: tarvio $ours ms, midicsv $peer ms, ratio $(ratio "$peer" "$ours") (target 2 or more)"
}

generate
measure_import

EXPORT_TOOL="$BUILD/bin/bench_smf_export_bench"

# Export of the song the import produced, against csvmidi writing the same file from the CSV
# that midicsv made of it. Our figure includes writing the file (temporary file, sync, rename).
measure_export() {
  need midicsv
  need csvmidi
  [ -x "$EXPORT_TOOL" ] || { echo "$EXPORT_TOOL is missing: build first" >&2; exit 1; }
  midicsv "$BIG" >"$OUT/big.csv"
  read -r memory file bytes <<RESULT
$("$EXPORT_TOOL" --time "$BIG" "$RUNS")
RESULT
  peer=$(best_ms csvmidi "$OUT/big.csv" "$OUT/big-csvmidi.mid")
  echo "export: tarvio $file ms to a file ($memory ms in memory, $bytes bytes), csvmidi $peer ms," \
    "ratio $(ratio "$peer" "$file") (target 1 or more)"
}

measure_export
