#!/usr/bin/env bash
# Builds kestrom.exe and runs it under Wine beside SimMach3, the simulated Mach3.
# Without a display it runs under Xvfb for a few seconds and leaves a screenshot
# at build/screenshot.png.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
build_for_wine
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
start_wine
trap stop_wine EXIT
"$KESTROM_WINE" "$BUILD/win$WINE_BITS/SimMach3.exe" /quiet &
sleep 3
if [ "$headless" = 1 ]; then
  "$KESTROM_WINE" "$BUILD/win$WINE_BITS/kestrom.exe" &
  sleep "${KESTROM_SHOW_SECONDS:-8}"
  screenshot "$BUILD/screenshot.png"
  echo "screenshot: $BUILD/screenshot.png"
else
  "$KESTROM_WINE" "$BUILD/win$WINE_BITS/kestrom.exe"
fi
