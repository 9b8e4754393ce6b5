#!/usr/bin/env bash
# Builds kestrom.exe and runs it under Wine beside SimMach3, the simulated Mach3.
# Without a display it runs under Xvfb for a few seconds and leaves a screenshot
# at build/screenshot.png.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
build_windows win32
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
start_wine
trap stop_wine EXIT
wine "$BUILD/win32/SimMach3.exe" /quiet &
sleep 3
if [ "$headless" = 1 ]; then
  wine "$BUILD/win32/kestrom.exe" &
  sleep "${KESTROM_SHOW_SECONDS:-8}"
  screenshot "$BUILD/screenshot.png"
  echo "screenshot: $BUILD/screenshot.png"
else
  wine "$BUILD/win32/kestrom.exe"
fi
