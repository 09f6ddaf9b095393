#!/bin/sh
# Builds tarvio with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# the whole test suite there, halting on the first report; then builds it with ThreadSanitizer
# into build-tsan/ and runs the engine and application tests there several times over.
#
#   scripts/sanitize.sh [asan|tsan|all]    (default all; TSAN_RUNS=N sets the repeats, default 3)
#
# JOBS sets the build's parallel jobs (default: the number of cores).
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
WHAT=${1:-all}
JOBS=${JOBS:-$(nproc)}
TSAN_RUNS=${TSAN_RUNS:-3}
SUPP="$ROOT/scripts/sanitize"

build() {  # DIR SANITIZERS
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIO_SANITIZE="$2" -DTARVIO_BENCH=OFF >/dev/null
    cmake --build "$1" -j"$JOBS"
}

if [ "$WHAT" = asan ] || [ "$WHAT" = all ]; then
    build build-asan address,undefined
    # fontconfig's caches are never freed (a known leak of the library, not of this program).
    export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$SUPP/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    start=$(date +%s)
    (cd build-asan && ctest --output-on-failure -j"$JOBS")
    echo "asan+ubsan: whole suite clean in $(( $(date +%s) - start )) s"
    unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi

if [ "$WHAT" = tsan ] || [ "$WHAT" = all ]; then
    # The engine's clock thread, player and input, and the application's transport over them.
    TESTS="engine_tests app_tests"
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIO_SANITIZE=thread -DTARVIO_BENCH=OFF >/dev/null
    # shellcheck disable=SC2086
    cmake --build build-tsan -j"$JOBS" --target $TESTS
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$SUPP/tsan.supp"
    export TARVIO_HOME="$ROOT/build-tsan/test-home"
    mkdir -p "$TARVIO_HOME"
    start=$(date +%s)
    for t in $TESTS; do
        # The exit test forks the threaded test process and starts the clock thread in the
        # child, which ThreadSanitizer does not support; it runs in the other builds.
        build-tsan/bin/$t --gtest_repeat="$TSAN_RUNS" --gtest_brief=1 --gtest_filter=-EngineExit.*
    done
    echo "tsan: $TESTS clean, $TSAN_RUNS runs each, in $(( $(date +%s) - start )) s"
fi
