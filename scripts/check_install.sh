#!/bin/sh
# The installed program folder holds every data file the build's program folder holds, and no
# others: installs the build into a scratch prefix and compares the two lists of files that are
# not programs or libraries.
# Usage: check_install.sh CMAKE BUILD_DIR BUILD_PROGRAM_FOLDER INSTALLED_PROGRAM_FOLDER
# (the last relative to the prefix)
cmake=$1 build=$2 built=$3 folder=$4
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarvio-install-XXXXXX") || exit 2
trap 'rm -rf "$prefix"' EXIT
if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix/install.log" 2>&1; then
  cat "$prefix/install.log"
  echo "cmake --install failed"
  exit 1
fi
# Programs and libraries (the build's folder also holds the tests) are told apart by their
# magic number, since installed libraries need not keep an execute bit.
elf=$(printf '\177ELF')
data_files() {
  (cd "$1" && find . -type f | sort | while IFS= read -r f; do
    [ "$(head -c 4 "$f")" = "$elf" ] || echo "$f"
  done)
}
data_files "$built" >"$prefix/built.txt"
data_files "$prefix/$folder" >"$prefix/installed.txt"
if ! diff -u "$prefix/built.txt" "$prefix/installed.txt"; then
  echo "the installed program folder ($folder) differs from the build's ($built): - only built, + only installed"
  exit 1
fi
echo "$(wc -l <"$prefix/built.txt") data files in both program folders"
