# How the scripts install what is missing, sourced by common.sh. A package
# index that arrives broken (a mirror in sync: "File has unexpected size")
# must not stop the set-up: apt-get update is tried again, an index that stays
# broken is named, everything but the 32-bit Wine is installed first, and the
# 32-bit Wine on its own, so that where it cannot be installed the tests still
# run, on the 64-bit build under 64-bit Wine. tests/install_test.sh plays this
# against a stand-in for apt-get.

KESTROM_APT_TRIES="${KESTROM_APT_TRIES:-3}"
KESTROM_APT_PAUSE="${KESTROM_APT_PAUSE:-15}"  # seconds between tries: a mirror in sync needs a while

# A command of apt's, tried again after a pause when it fails; its last output is left in $APT_OUTPUT.
APT_OUTPUT=""
retry_apt() {
  local try status=0
  for ((try = 1; try <= KESTROM_APT_TRIES; try++)); do
    APT_OUTPUT="$("$@" 2>&1)" && return 0
    status=$?
    [ "$try" -lt "$KESTROM_APT_TRIES" ] && sleep "$KESTROM_APT_PAUSE"
  done
  return "$status"
}

# apt-get update; when an index stays broken, says which and goes on with the rest.
update_package_lists() {
  retry_apt $APT_SUDO apt-get update -qq && return 0
  local broken
  broken="$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' <<<"$APT_OUTPUT" | sort -u)"
  if [ -n "$broken" ]; then
    echo "== NOTE: these package indexes stayed broken after $KESTROM_APT_TRIES tries; going on without them:"
    sed 's/^/     /' <<<"$broken"
  else
    echo "== NOTE: apt-get update failed $KESTROM_APT_TRIES times; going on with the package lists there are:"
    sed 's/^/     /' <<<"$APT_OUTPUT" | tail -n 5
  fi
  return 0
}

WINE32_MISSING_NOTE="== NOTE: the 32-bit Wine (wine32:i386) could not be installed here: its i386 packages could not
   be had in the versions the machine's amd64 Wine and libraries need (most often because the
   i386 package index of the security updates is broken on the mirror for a while, see above).
   Everything else is installed, and the tests run the 64-bit build of the same sources under
   64-bit Wine, as on a machine whose kernel runs no 32-bit program; the 32-bit build is still
   built and its imports checked against Windows XP. Run the script again later for the 32-bit Wine."

install_dependencies() {
  local missing
  missing="$(need_packages)"
  [ -z "$missing" ] && return 0
  echo "== installing: $(echo $missing)"
  APT_SUDO=""
  [ "$(id -u)" -eq 0 ] || APT_SUDO="sudo"
  local wine32=0 others=() p
  for p in $missing; do
    if [ "$p" = wine32:i386 ]; then wine32=1; else others+=("$p"); fi
  done
  if [ "$wine32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $APT_SUDO dpkg --add-architecture i386
  fi
  update_package_lists
  if [ "${#others[@]}" -gt 0 ] &&
    ! retry_apt $APT_SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${others[@]}"; then
    echo "could not install: ${others[*]}" >&2
    sed 's/^/   /' <<<"$APT_OUTPUT" | tail -n 20 >&2
    return 1
  fi
  if [ "$wine32" = 1 ] &&
    ! retry_apt $APT_SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386; then
    echo "$WINE32_MISSING_NOTE"
  fi
  return 0
}
