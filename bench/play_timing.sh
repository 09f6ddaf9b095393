#!/bin/sh
# Real-time playback figures of `tarvio-cli play`:
#  - send timing: a dense 16-track song (tempo changes, sixteenths, triplets, controller
#    sweeps) plays for PLAY_SECONDS (default 60) with --sends; every send is matched in order
#    with `tarvio-cli expand --locate 0`, which gives its tick, and its time is compared with
#    the tick's time by the tempo map, relative to the first played send (the chase at the
#    start is paced by design and left out). Median, 99th percentile and maximum of the
#    absolute error; the same against the median offset for comparison.
#  - clock thread CPU (CLOCK_THREAD_CPUTIME_ID, printed by --cpu) while stopped (--idle) and
#    while playing a dense 64-track song, CPU_SECONDS (default 20) each.
# The default mapping plays on device 0, the built-in synth; without a sound card it cannot
# open and the sends stop at the port layer. The 64-track run is repeated on the loopback
# device (--map 0-255=1), which takes every message.
# Usage: bench/play_timing.sh [BUILD_DIR]
set -e
BUILD=${1:-build}
PLAY_SECONDS=${PLAY_SECONDS:-60}
CPU_SECONDS=${CPU_SECONDS:-20}
OUT="$BUILD/bench-out"
GEN="$BUILD/bin/bench_play_timing"
CLI="$BUILD/bin/tarvio-cli"
for p in "$GEN" "$CLI"; do
  [ -x "$p" ] || { echo "$p is missing: build first" >&2; exit 1; }
done
mkdir -p "$OUT"

"$GEN" --generate "$OUT/dense16.tvo" 16 $((PLAY_SECONDS + 10))
"$GEN" --generate "$OUT/dense64.tvo" 64 $((CPU_SECONDS + 10))
"$CLI" expand "$OUT/dense16.tvo" --locate 0 >"$OUT/dense16.expand"

echo "== send timing: 16 tracks, $PLAY_SECONDS s"
"$CLI" play "$OUT/dense16.tvo" --seconds "$PLAY_SECONDS" --sends "$OUT/dense16.sends" 2>"$OUT/dense16.log"
"$GEN" --analyze "$OUT/dense16.tvo" "$OUT/dense16.sends" "$OUT/dense16.expand"

cpu() {
  "$CLI" play "$@" --seconds "$CPU_SECONDS" --cpu 2>&1 | sed -n 's/^tarvio-cli: //p' | grep 'clock thread'
}
echo "== clock thread CPU, $CPU_SECONDS s each"
echo "stopped:                    $(cpu "$OUT/dense16.tvo" --idle)"
echo "playing 64 tracks:          $(cpu "$OUT/dense64.tvo")"
echo "playing 64 tracks, loopback: $(cpu "$OUT/dense64.tvo" --map 0-255=1)"
