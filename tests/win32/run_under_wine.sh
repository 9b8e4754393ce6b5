#!/usr/bin/env bash
# Runs one Windows test program under Wine. Needs Wine and a display (Xvfb):
# without them the test fails, it is never skipped.
set -u
wine="${KESTROM_WINE:-wine}"
command -v "$wine" >/dev/null || { echo "FAIL: wine is not installed" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display; start Xvfb (test.sh does)" >&2; exit 1; }
[ -n "${WINEPREFIX:-}" ] || { echo "FAIL: WINEPREFIX is not set (test.sh sets it)" >&2; exit 1; }
export WINEDEBUG=-all
timeout --kill-after=10 540 "$wine" "$@"
rc=$?
exit $rc
