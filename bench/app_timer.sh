#!/bin/sh
# The 10 ms timer's CPU share on the offscreen platform and under xvfb (xcb).
#   bench/app_timer.sh [BUILD] [SECONDS]      (defaults: build, 2)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
secs=${2:-2}
cmake --build "$build" -j2 --target bench_app_timer >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp" XDG_RUNTIME_DIR="$tmp"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_app_timer" "$secs"
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/bench_app_timer" "$secs"
else
  echo "xvfb-run not found: no xcb figures"
fi
