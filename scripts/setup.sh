#!/bin/sh
# Installs the Debian packages the build needs when they are missing (only as root).
# The test peers (independent MIDI readers and writers, sox) are optional: tests that need
# them skip when they are absent, so a non-root build only stops for the build packages.
set -e
BUILD_PKGS="cmake make g++ pkg-config python3 libgtest-dev libgmock-dev libbenchmark-dev librtmidi-dev libfluidsynth-dev qt6-base-dev qt6-l10n-tools fonts-noto-cjk"
PEER_PKGS="timgm6mb-soundfont python3-mido midicsv abcmidi sox xvfb xauth xdotool imagemagick"

missing_of() {
  m=""
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || m="$m $p"
  done
  echo "$m"
}

missing_build=$(missing_of $BUILD_PKGS)
missing_peer=$(missing_of $PEER_PKGS)
missing="$missing_build$missing_peer"
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then
  echo "installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
  exit 0
fi
if [ -n "$missing_peer" ]; then
  echo "note: optional test peers missing:$missing_peer (the tests that need them are skipped)" >&2
fi
if [ -n "$missing_build" ]; then
  echo "missing packages:$missing_build (run as root, or install them with apt-get)" >&2
  exit 1
fi
