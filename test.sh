#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: the native
# core (with AddressSanitizer and UBSan) and the Windows programs under Wine.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies

echo "== native build and tests"
build_native
ctest --test-dir "$BUILD/native" --output-on-failure --timeout 300

echo "== fuzzing (libFuzzer, AddressSanitizer, UBSan)"
run_fuzzers "${KESTROM_FUZZ_SECONDS:-30}"

echo "== 32-bit Windows build (ships) and its imports against Windows XP"
build_windows win32
check_xp_imports

echo "== the release package"
package="$(make_package)"
echo "$package"

echo "== 64-bit Windows build (must compile)"
build_windows win64

echo "== the tests under Wine"
build_for_wine tests
# The package's own test runs what Wine here can run: the release itself, or,
# where only 64-bit Wine runs, the same package made of the 64-bit build.
[ "$WINE_BITS" = 64 ] && package="$(make_package win64)"
rm -rf "$BUILD/package-run"
mkdir -p "$BUILD/package-run"
(cd "$BUILD/package-run" && unzip -q "$package")
start_wine
trap stop_wine EXIT
heap_checks on
ctest --test-dir "$BUILD/win$WINE_BITS-tests" --output-on-failure --timeout 900

# The scenarios' screenshots, as PNG for a person to look at.
for shot in "$BUILD"/screenshots/*.bmp; do
  [ -e "$shot" ] && /usr/bin/convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "screenshots: $BUILD/screenshots"
if [ "$WINE_BITS" = 64 ]; then
  echo "== the Wine tests ran the 64-bit build (this machine has no 32-bit Wine; the 32-bit build was built and its imports checked)"
else
  echo "== the Wine tests ran the 32-bit build, the one that ships"
fi
