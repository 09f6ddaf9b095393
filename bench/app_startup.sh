#!/bin/sh
# Start-up figures of the program tarvio: milliseconds from the process start to the main window
# painted, with the demo song and with a song of 1,000,000 events (written by bench_app_song),
# and from the song's open to the painted window.
#   bench/app_startup.sh [BUILD] [RUNS]      (defaults: build, 10; platform: offscreen unless
#                                              QT_QPA_PLATFORM says otherwise)
# The program runs with a scratch program folder (links to BUILD/bin's files) and a scratch
# settings folder, so that no one's settings are read or written.
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
cmake --build "$build" -j2 --target tarvio bench_app_song >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config"
for f in "$build"/bin/*; do ln -s "$(realpath "$f")" "$tmp/home/"; done
export TARVIO_HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" HOME="$tmp"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bin/bench_app_song" "$tmp/big.tvo"

run() {  # SONG: the start-up milliseconds of each run, then their median and the last breakdown
  : >"$tmp/times"
  : >"$tmp/opens"
  i=0
  while [ $i -lt "$runs" ]; do
    TARVIO_BENCH_T0_NS=$(date +%s%N) "$build/bin/tarvio" --bench-startup "$1" >"$tmp/out" 2>/dev/null
    sed -n 's/^startup_ms //p' "$tmp/out" >>"$tmp/times"
    sed -n 's/^open_to_painted_ms //p' "$tmp/out" >>"$tmp/opens"
    i=$((i + 1))
  done
  echo "== $1 ($QT_QPA_PLATFORM, $runs runs): median $(sort -n "$tmp/times" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms," \
       "min $(sort -n "$tmp/times" | head -1) ms, max $(sort -n "$tmp/times" | tail -1) ms"
  echo "   open to painted window: median $(sort -n "$tmp/opens" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms"
  grep -v '_ms ' "$tmp/out"
}
run data/songs/demo.tvo
run "$tmp/big.tvo"
