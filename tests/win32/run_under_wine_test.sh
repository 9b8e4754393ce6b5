#!/usr/bin/env bash
# The Wine runner's verdicts, against a stand-in for Wine that plays a test
# program (S.A, S.B, S.C): a heap report with a failed or crashed test passes
# when both are gone on the second run, and fails when either comes again.
set -u
runner="$(cd "$(dirname "$0")" && pwd)/run_under_wine.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/wine" <<'PLAY'
#!/usr/bin/env bash
for a in "$@"; do
  case "$a" in
    --gtest_list_tests) printf 'S.\n  A\n  B\n  C\n'; exit 0 ;;
  esac
done
runs="$(cat "$STATE" 2>/dev/null || echo 0)"; echo $((runs + 1)) >"$STATE"
echo "[driver] kestrom.exe is process 0128, default heap 0000000000340000"
if [ "$runs" = 0 ] || [ "$PLAY" = again ]; then
  echo "[ RUN      ] S.A"
  echo "[       OK ] S.A (1 ms)"
  echo "[ RUN      ] S.B"
  echo "0128:0134:err:heap:validate_used_block heap 0000000000C80000, block 0000000000C9B228: free block overwritten"
  [ "$PLAY" = crash ] && exit 3
  echo "[  FAILED  ] S.B (5 ms)"
  echo "[==========] 3 tests from 1 test suite ran. (7 ms total)"
  exit 1
fi
echo "[==========] 2 tests from 1 test suite ran. (5 ms total)"
PLAY
chmod +x "$work/wine"

failures=0
expect() {  # $1: what the stand-in plays; $2: the runner's exit code expected; $3: a whole line of its output
  local out rc
  out="$(PLAY="$1" STATE="$work/state-$1" KESTROM_WINE="$work/wine" DISPLAY=:0 WINEPREFIX="$work" "$runner" prog.exe 2>&1)"
  rc=$?
  if [ "$rc" != "$2" ] || ! grep -qxF -- "$3" <<<"$out"; then
    echo "FAIL: $1: exit code $rc (expected $2), no line \"$3\" in:"; echo "$out"
    failures=$((failures + 1))
  fi
}
once="== the tests with heap reports or that did not pass, once more:"
expect failed 0 "$once S.B"    # the report's test, which failed, runs again and passes
expect crash 0 "$once S.B:S.C"  # after a crash, every test not passed runs again
expect again 1 "FAIL: prog.exe (exit code 1)"  # a report and a failure that come again fail the run
[ "$failures" = 0 ] && echo "the Wine runner's verdicts: all three as expected"
exit "$failures"
