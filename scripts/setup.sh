#!/bin/sh
# Installs the Debian packages the build needs when they are missing (only as root).
set -e
PKGS="cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev librtmidi-dev libfluidsynth-dev timgm6mb-soundfont python3 python3-mido midicsv abcmidi sox"
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
  echo "installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
else
  echo "missing packages:$missing (run as root, or install them with apt-get)" >&2
  exit 1
fi
