#!/bin/sh
# Saves a picture of each window and dialog of tarvio, with the demo song open, as PNG files in
# a folder:
#   scripts/screenshots.sh [DIR] [BUILD]       (defaults: screenshots, build)
# The windows are rendered on Qt's offscreen platform, so no display is needed.
set -e
cd "$(dirname "$0")/.."
dir=${1:-screenshots}
build=${2:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target tarvio >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bin/tarvio" --screenshot "$dir" data/songs/demo.tvo
