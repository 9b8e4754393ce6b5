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

# The driver prints "[driver] NAME is process PID, default heap ADDRESS" for itself
# and each program it starts.
announced() {  # $1: a process id as Wine prints it; prints "NAME HEAP"
  tr -d '\r' <"$log" | sed -n "s/^\[driver\] \(.*\) is process $1, default heap \([0-9A-F]*\)\$/\1 \2/p" | tail -n 1
}

# A report in a process's default heap comes from Windows' own DLLs (Wine's
# here): Kestrom's and SimMach3's own allocations live in the C runtime's heap.
# Reports in any other heap fail the run; those in the default heap are shown,
# with program and test, and fail it only with KESTROM_STRICT_DEFAULT_HEAP=1.
heap_reports="$(grep -n -E '^[0-9a-f]+:[0-9a-f]+:(err|warn):heap:' "$log" | head -n 40 || true)"
total="$(grep -c -E '^[0-9a-f]+:[0-9a-f]+:(err|warn):heap:' "$log" || true)"
[ "${total:-0}" -gt 40 ] && echo "($total heap reports in all; the first 40 follow)" >&2
failed=0
if [ -n "$heap_reports" ]; then
  while IFS= read -r report; do
    at="${report%%:*}"
    line="${report#*:}"
    pid="$(echo "$line" | cut -d: -f1)"
    running="$(head -n "$at" "$log" | tr -d '\r' | grep -E '^\[ RUN      \]' | tail -n 1 | sed 's/^\[ RUN      \] //')"
    read -r name default <<<"$(announced "$pid")"
    heap="$(echo "$line" | sed -n 's/.*heap \([0-9A-Fa-f]*\),.*/\1/p')"
    where="in ${name:-process $pid (not started by the driver)}, during ${running:-the start of $(basename "$1")}"
    if [ -n "$default" ] && [ "$heap" = "$default" ] && [ "${KESTROM_STRICT_DEFAULT_HEAP:-0}" != 1 ]; then
      echo "NOTE: a heap report in the default heap (Windows' own DLLs), $where: $line" >&2
    else
      echo "FAIL: heap error $where: $line" >&2
      failed=1
    fi
  done <<<"$heap_reports"
fi
[ "$failed" = 1 ] && rc=1

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
