#!/bin/sh
# Start-up and import speed of tarvio-cli against midicsv, side by side in one run, process
# start included: `tarvio-cli info F.mid` against `midicsv F.mid > /dev/null` on three
# Standard MIDI Files of 150 to 200 KB. Also counts the shared libraries each program links.
# The figures are hyperfine's median and minimum wall times and its mean CPU time (user and
# system; a shell loop of RUNS runs gives the wall times alone when hyperfine is missing); the
# ratios are midicsv / tarvio-cli, so 2.0 means twice as fast. On a busy machine the wall
# times mostly measure waiting for a processor, and the CPU times tell more.
# Usage: bench/cli_speed.sh [BUILD_DIR]   (the build must have tarvio-cli and
#        bench_smf_import_bench; RUNS defaults to 200)
set -e
BUILD=${1:-build}
RUNS=${RUNS:-200}
OUT="$BUILD/bench-out"
CLI="$BUILD/bin/tarvio-cli"
GEN="$BUILD/bin/bench_smf_import_bench"

for f in "$CLI" "$GEN"; do
  [ -x "$f" ] || { echo "$f is missing: build first" >&2; exit 1; }
done
command -v midicsv >/dev/null 2>&1 || { echo "midicsv is not installed" >&2; exit 1; }
mkdir -p "$OUT"

# Shared libraries a program links (0 for a static one).
libs() { ldd "$1" 2>/dev/null | grep -c '=>' || true; }
echo "shared libraries: tarvio-cli $(libs "$CLI"), tarvio-cli-plugins $(libs "$BUILD/bin/tarvio-cli-plugins")," \
  "tarvio-cli-devices $(libs "$BUILD/bin/tarvio-cli-devices"), midicsv $(libs "$(command -v midicsv)")"

# Median and minimum in milliseconds of RUNS runs of a command without a shell.
loop_ms() {
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
    i=$((i + 1))
  done | sort -n | awk '{ v[NR] = $1 } END { printf "%.2f %.2f", v[int((NR + 1) / 2)] / 1000, v[1] / 1000 }'
}

# Both commands measured in one hyperfine run, interleaved by its warm-up and repetition.
measure() {
  file=$1
  if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --warmup 20 --runs "$RUNS" --export-json "$OUT/cli_speed.json" \
      "$CLI info $file" "midicsv $file" >/dev/null 2>&1
    python3 - "$OUT/cli_speed.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
cpu = [(x["user"] + x["system"]) * 1e3 for x in r]
print("%.2f %.2f %.2f %.2f %.2f %.2f" % (r[0]["median"] * 1e3, r[0]["min"] * 1e3, r[1]["median"] * 1e3, r[1]["min"] * 1e3,
                                         cpu[0], cpu[1]))
PY
  else
    echo "$(loop_ms "$CLI" info "$file") $(loop_ms midicsv "$file") - -"
  fi
}

for sizeAndTracks in "180000 8" "190000 16" "230000 4"; do
  set -- $sizeAndTracks
  file="$OUT/cli-$2tracks.mid"
  "$GEN" --generate "$file" "$1" "$2"
  "$CLI" info "$file" >/dev/null  # must import cleanly
  read -r ours oursMin peer peerMin oursCpu peerCpu <<RESULT
$(measure "$file")
RESULT
  ratio=$(awk -v a="$peer" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')
  echo "$(basename "$file") $(wc -c <"$file") bytes: tarvio-cli info $ours ms (min $oursMin)," \
    "midicsv $peer ms (min $peerMin), ratio $ratio (target 2 or more)"
  if [ "$oursCpu" != "-" ]; then
    echo "  CPU: tarvio-cli $oursCpu ms, midicsv $peerCpu ms," \
      "ratio $(awk -v a="$peerCpu" -v b="$oursCpu" 'BEGIN { printf "%.2f", a / b }')"
  fi
done
