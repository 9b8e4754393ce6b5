#!/usr/bin/env bash
# The set-up's decisions against a stand-in for apt-get: a package index that
# stays broken is named and the rest installed; the 32-bit Wine goes on its
# own, and where it cannot be installed the set-up says so and goes on; a
# flaky update is tried again; a package that cannot be installed stops it.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'PLAY'
#!/usr/bin/env bash
echo "apt-get $*" >>"$LOG"
for a in "$@"; do
  case "$a" in
    update)
      n="$(cat "$LOG.updates" 2>/dev/null || echo 0)"; echo $((n + 1)) >"$LOG.updates"
      if [ "$PLAY" = broken ] || { [ "$PLAY" = flaky ] && [ "$n" -lt 2 ]; }; then
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
      fi
      exit 0 ;;
    wine32:i386)
      [ "$PLAY" = broken ] && { echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."; exit 100; }
      exit 0 ;;
    zip) [ "$PLAY" = unavailable ] && { echo "E: Unable to locate package zip"; exit 100; } ;;
  esac
done
exit 0
PLAY
printf '#!/bin/sh\necho "dpkg $*" >>"$LOG"\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin/"*

failures=0
play() {  # $1: the stand-in's play; prints the set-up's output, leaves its exit code in $rc
  LOG="$work/log-$1"
  rm -f "$LOG" "$LOG.updates"
  out="$(PATH="$work/bin:$PATH" LOG="$LOG" PLAY="$1" KESTROM_APT_PAUSE=0 bash -c '
    source "$0/scripts/install.sh"
    need_packages() { printf "cmake\nwine32:i386\nzip\n"; }
    install_dependencies' "$root" 2>&1)"
  rc=$?
}
expect() {  # $1: what is expected; $2: true when it holds
  if ! eval "$2"; then
    echo "FAIL: $1"; echo "--- output:"; echo "$out"; echo "--- apt-get was asked:"; cat "$LOG"
    failures=$((failures + 1))
  fi
}

play broken
expect "a broken index: the set-up goes on" '[ "$rc" = 0 ]'
expect "update tried three times" '[ "$(cat "$LOG.updates")" = 3 ]'
expect "the broken index is named" 'grep -qF "http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz" <<<"$out"'
expect "everything but the 32-bit Wine first, in one install" 'grep -qx "apt-get install -y -qq cmake zip" "$LOG"'
expect "then the 32-bit Wine alone" '[ "$(grep -c "install -y -qq wine32:i386$" "$LOG")" = 3 ]'
expect "the paragraph on the 32-bit Wine" 'grep -qF "the tests run the 64-bit build of the same sources under" <<<"$out"'

play flaky
expect "a flaky update: no note" '[ "$rc" = 0 ] && ! grep -q NOTE <<<"$out"'
expect "update tried until it worked" '[ "$(cat "$LOG.updates")" = 3 ]'
expect "the 32-bit Wine installed" 'grep -qx "apt-get install -y -qq wine32:i386" "$LOG"'

play unavailable
expect "a package that cannot be had stops the set-up, named" '[ "$rc" = 1 ] && grep -qF "could not install: cmake zip" <<<"$out"'

[ "$failures" = 0 ] && echo "install: every decision as expected"
exit "$failures"
