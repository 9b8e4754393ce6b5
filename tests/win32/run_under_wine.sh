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

# Every heap report, named by program and test. Wine 8.0 fills a freed block
# with its "free" pattern before it takes the heap's lock (heap_delay_free in
# ntdll's heap.c), while another thread's call validates the whole heap under
# that lock: the half-filled block is then reported as "free block overwritten",
# and that thread's allocation fails (a C++ program then ends with bad_alloc).
# Seen in both heaps of kestrom.exe and SimMach3.exe, in multi-threaded moments
# only. So the tests that had reports, failed, or never ended run once more, and
# the run fails when a report comes again or a test fails again. A real
# overrun does (a planted one failed both times).
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

# The tests of a run that did not pass: those that failed, and when the program
# ended before its summary (a crash, the time limit), every test it did not end.
tests_not_passed() {  # $1: the log; the program and its arguments follow
  local clean
  clean="$(tr -d '\r' <"$1")"
  shift
  echo "$clean" | sed -n 's/^\[  FAILED  \] \([^ ,]*\.[^ ,]*\) (.*/\1/p'
  if ! echo "$clean" | grep -q -E '^\[==========\] [0-9]+ tests? from .* ran\.'; then
    local passed all
    passed="$(echo "$clean" | sed -n 's/^\[       OK \] \([^ ]*\) (.*/\1/p')"
    all="$(timeout 120 "$wine" "$@" --gtest_list_tests 2>/dev/null | tr -d '\r' |
      awk '/^[^ ]/ {suite=$1} /^  [^ ]/ {print suite $1}')"
    comm -23 <(echo "$all" | sort -u) <(echo "$passed" | sort -u)
  fi
}

if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
  running="$(tr -d '\r' <"$log" | grep -E '^\[ (RUN      |       OK |  FAILED  )\]' | tail -n 1)"
  case "$running" in
    "[ RUN      ]"*) running="${running#\[ RUN      \] }" ;;
    *) running="none (between tests)" ;;
  esac
  echo "$(basename "$1") ran past its limit of $limit s; the test running was: $running" >&2
  # What it started is ended too, so that the next program starts on a clean machine.
  timeout 60 wineserver -k >/dev/null 2>&1 || true
fi

first="$(report_heap "$log")"
if [ -n "$first" ]; then
  echo "$first" | cut -f2- | sed 's/^/heap report: /' >&2
  tests="$( { echo "$first" | cut -f1 | grep -v '^\*$'; tests_not_passed "$log" "$@"; } | sort -u | paste -sd: -)"
  if [ -z "$tests" ]; then tests='*'; fi
  echo "== the tests with heap reports or that did not pass, once more: $tests" >&2
  again="$(mktemp)"
  timeout --kill-after=10 "$limit" "$wine" "$@" --gtest_filter="$tests" >"$again" 2>&1
  againRc=$?
  second="$(report_heap "$again")"
  if [ -n "$second" ]; then
    echo "$second" | cut -f2- | sed 's/^/FAIL: heap error, again: /' >&2
    rc=1
  elif [ "$againRc" -ne 0 ]; then
    tr -d '\r' <"$again" | grep -E '^\[  FAILED  \]|Failure' | sed 's/^/FAIL, again: /' >&2
    rc=1
  else
    [ "$rc" -ne 0 ] && echo "NOTE: the tests that failed beside those heap reports passed when run once more" >&2
    echo "NOTE: the heap reports above did not come again when their tests ran once more" >&2
    rc=0
  fi
  rm -f "$again"
fi
[ "$rc" -ne 0 ] && echo "FAIL: $(basename "$1") (exit code $rc)" >&2
exit "$rc"
