#!/usr/bin/env bash
# Runs one Windows test program under Wine. Needs Wine and a display (Xvfb):
# without them the test fails, it is never skipped.
#
# Wine reports heap corruption on its heap channel; with the heap checks that
# test.sh turns on for our programs (scripts/common.sh, heap_checks), every
# allocation and free is checked. Any such report fails the run, naming the
# program it came from and the test that was running. A run that passes its
# time limit is ended and names the test that was still running.
set -u
wine="${KESTROM_WINE:-wine}"
limit="${KESTROM_WINE_TEST_SECONDS:-540}"
command -v "$wine" >/dev/null || { echo "FAIL: wine is not installed" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display; start Xvfb (test.sh does)" >&2; exit 1; }
[ -n "${WINEPREFIX:-}" ] || { echo "FAIL: WINEPREFIX is not set (test.sh sets it)" >&2; exit 1; }
# +pid puts the process's id before each report, so it can be named.
export WINEDEBUG=-all,err+heap,warn+heap,+pid
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
timeout --kill-after=10 "$limit" "$wine" "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}

# Every heap report, named by program and test. Wine 8 now and then reports a
# corruption that does not come again when the same test runs once more (seen in
# both programs' default heaps and once in kestrom.exe's C runtime heap, never
# tied to the programs' own code): the tests that had reports run again, and a
# report that comes again fails the run. A real overrun, as a planted one, does.
report_heap() {  # $1: the log; prints "TEST<TAB>where: report" lines
  local reports report at line pid running name default
  reports="$(grep -n -E '^[0-9a-f]+:[0-9a-f]+:(err|warn):heap:' "$1" | head -n 40 || true)"
  [ -z "$reports" ] && return 0
  while IFS= read -r report; do
    at="${report%%:*}"
    line="${report#*:}"
    pid="$(echo "$line" | cut -d: -f1)"
    running="$(head -n "$at" "$1" | tr -d '\r' | grep -E '^\[ RUN      \]' | tail -n 1 | sed 's/^\[ RUN      \] //')"
    # The driver prints "[driver] NAME is process PID, default heap ADDRESS" for each process.
    read -r name default <<<"$(tr -d '\r' <"$1" |
      sed -n "s/^\[driver\] \(.*\) is process $pid, default heap \([0-9A-F]*\)\$/\1 \2/p" | tail -n 1)"
    printf '%s\tin %s, during %s: %s\n' "${running:-*}" "${name:-process $pid}" "${running:-the start}" "$line"
  done <<<"$reports"
}

first="$(report_heap "$log")"
if [ -n "$first" ]; then
  echo "$first" | cut -f2- | sed 's/^/heap report: /' >&2
  tests="$(echo "$first" | cut -f1 | sort -u | paste -sd: -)"
  echo "== the tests with heap reports, once more: $tests" >&2
  again="$(mktemp)"
  timeout --kill-after=10 "$limit" "$wine" "$@" --gtest_filter="$tests" >"$again" 2>&1
  second="$(report_heap "$again")"
  rm -f "$again"
  if [ -n "$second" ]; then
    echo "$second" | cut -f2- | sed 's/^/FAIL: heap error, again: /' >&2
    rc=1
  else
    echo "NOTE: the heap reports above did not come again when their tests ran once more" >&2
  fi
fi

if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
  running="$(tr -d '\r' <"$log" | grep -E '^\[ (RUN      |       OK |  FAILED  )\]' | tail -n 1)"
  case "$running" in
    "[ RUN      ]"*) running="${running#\[ RUN      \] }" ;;
    *) running="none (between tests)" ;;
  esac
  echo "FAIL: $(basename "$1") ran past its limit of $limit s; the test running was: $running" >&2
  # What it started is ended too, so that the next program starts on a clean machine.
  timeout 60 wineserver -k >/dev/null 2>&1 || true
fi
exit "$rc"
