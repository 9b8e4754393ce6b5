#!/usr/bin/env bash
# Prints the benchmark figures: the native core, then under Wine the cost of a
# cross-process ReadDRO against a bare IDispatch call, appends in the real edit
# control against the program's length, a save against a raw write, and peak memory.
#   ./bench.sh [lines]   (lines for the long recording under Wine; default 100000)
#   ./bench.sh quick     (the call figures only, within a minute)
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
cmake -S "$ROOT" -B "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD/bench" -j "$JOBS" --target native_bench
echo "== native core"
"$BUILD/bench/native_bench" --benchmark_min_time="$([ "${1:-}" = quick ] && echo 0.05 || echo 0.2)"
build_for_wine tests
start_wine
trap stop_wine EXIT
heap_checks off  # timed and shown runs go without the heap checks of test.sh
echo "== under Wine ($("$KESTROM_WINE" --version), $WINE_BITS-bit programs)"
(cd "$BUILD/win$WINE_BITS-tests" && "$KESTROM_WINE" wine_bench.exe "${1:-100000}")
