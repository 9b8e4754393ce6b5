#!/usr/bin/env bash
# Builds kestrom.exe and runs it under Wine beside SimMach3, the simulated Mach3,
# in Wine's virtual desktop (so the windows have their frames). With a display
# both are left to the user, side by side. Without one, a short taught session is
# played under Xvfb: the path view opened, teach mode, a small square jogged in
# SimMach3, M3 and M5, then KAYDET; it leaves build/screenshot.png and the saved
# build/first-look.tap.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
build_for_wine tests
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
start_wine
trap stop_wine EXIT
heap_checks off  # timed and shown runs go without the heap checks of test.sh
programs="$BUILD/win$WINE_BITS-tests"
desktop() { "$KESTROM_WINE" explorer /desktop=Kestrom,1280x720 "$@"; }
if [ "$headless" = 1 ]; then
  rm -f "$WINEPREFIX/drive_c/first-look.tap"
  (cd "$programs" && desktop first_look.exe play)
  /usr/bin/convert "$BUILD/screenshots/first-look.bmp" "$BUILD/screenshot.png"
  cp "$WINEPREFIX/drive_c/first-look.tap" "$BUILD/first-look.tap"
  echo "screenshot: $BUILD/screenshot.png"
  echo "taught program: $BUILD/first-look.tap (C:\\first-look.tap); its first lines:"
  head -n 8 "$BUILD/first-look.tap"
else
  desktop "$programs/SimMach3.exe" /quiet &
  sleep 3
  desktop "$programs/kestrom.exe" &
  (cd "$programs" && desktop first_look.exe arrange)
  wait
fi
