#!/bin/sh
# Runs one fuzz harness (fuzz/NAME.cpp) on libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer for SECONDS (default 600).
#
#   scripts/fuzz.sh NAME [SECONDS]     scripts/fuzz.sh --list
#
# Builds with clang into build-fuzz/. The corpus grows outside the repository, in
# $TARVIO_FUZZ_CORPUS/NAME (default ~/.cache/tarvio-fuzz/NAME), starting from the harness's
# seeds. An input slower than 1 s, or one allocation over 64 MB, counts as a finding like a
# crash or a leak. A finding is minimised into fuzz/seeds/NAME/, to be committed with its fix;
# the script then fails.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
if [ "${1:-}" = "--list" ] || [ $# -lt 1 ]; then
    echo "usage: scripts/fuzz.sh NAME [SECONDS]; harnesses:"
    ls fuzz/*.cpp | sed -e 's|fuzz/||' -e 's|\.cpp$||' | grep -v '^replay_main$' | sed 's/^/  /'
    [ $# -ge 1 ]; exit
fi
NAME=$1
SECONDS_TO_RUN=${2:-600}
[ -f "fuzz/$NAME.cpp" ] || { echo "no harness fuzz/$NAME.cpp (scripts/fuzz.sh --list)" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "clang++ is needed (apt-get install clang libclang-rt-dev)" >&2; exit 2; }

B=build-fuzz
cmake -S . -B $B -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVIO_FUZZ=ON -DTARVIO_SANITIZE=address,undefined -DTARVIO_TESTS=OFF -DTARVIO_BENCH=OFF >/dev/null
cmake --build $B -j"${JOBS:-$(nproc)}" --target "fuzz_$NAME"

CORPUS=${TARVIO_FUZZ_CORPUS:-$HOME/.cache/tarvio-fuzz}/$NAME
ARTIFACTS=$CORPUS.findings
mkdir -p "$CORPUS" "$ARTIFACTS"
# Seed folders are read, never written: new inputs go to the corpus only. Single seed files
# are copied in (libFuzzer would take files among its arguments as inputs to run once).
SEEDS=
while IFS= read -r s; do
    if [ -d "$s" ]; then SEEDS="$SEEDS $s"; elif [ -f "$s" ]; then cp "$s" "$CORPUS/"; fi
done < "$B/fuzz/$NAME.seeds"
LOG=$CORPUS.log
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
start=$(date +%s)
# shellcheck disable=SC2086
"$B/fuzz/fuzz_$NAME" -max_total_time="$SECONDS_TO_RUN" -timeout=1 -malloc_limit_mb=64 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$ARTIFACTS/" "$CORPUS" $SEEDS 2>&1 | tee "$LOG" | grep -v '^#' || true
grep -q 'ERROR: libFuzzer\|ERROR: AddressSanitizer\|ERROR: LeakSanitizer\|runtime error\|==ERROR\|check failed' "$LOG" && status=1
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOG" | tail -1)
echo "fuzz $NAME: ${runs:-?} runs in $(( $(date +%s) - start )) s, corpus $(ls "$CORPUS" | wc -l) inputs in $CORPUS"
if [ $status -ne 0 ]; then
    for f in "$ARTIFACTS"/crash-* "$ARTIFACTS"/leak-* "$ARTIFACTS"/timeout-* "$ARTIFACTS"/oom-* "$ARTIFACTS"/slow-unit-*; do
        [ -f "$f" ] || continue
        case "$f" in *.seen) continue ;; esac  # reported by an earlier run
        kept="fuzz/seeds/$NAME/finding-$(basename "$f" | sed 's/^[a-z-]*-//' | cut -c1-12)"
        "$B/fuzz/fuzz_$NAME" -minimize_crash=1 -runs=20000 -timeout=1 -malloc_limit_mb=64 \
            -exact_artifact_path="$ROOT/$kept" "$f" >/dev/null 2>&1 || true
        [ -f "$kept" ] || cp "$f" "$kept"
        echo "finding: $f, minimised into $kept (commit it with the fix)"
        mv "$f" "$f.seen"
    done
    echo "fuzz $NAME: FOUND a problem, see $LOG" >&2
    exit 1
fi
