#!/bin/sh
# The core stays free of Qt: only files under a ui/ folder may include a Qt header.
# Usage: check_qt_free.sh SOURCE_DIR
cd "$1" || exit 2
found=$(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
  --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' \
  model expand io engine plugin plugins ops cli app editor views 2>/dev/null | grep -v '/ui/')
if [ -n "$found" ]; then
  echo "Qt headers included outside the ui/ folders:"
  echo "$found"
  exit 1
fi
exit 0
