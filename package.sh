#!/usr/bin/env bash
# Builds the release: build/kestrom-win32.zip with kestrom.exe, SimMach3.exe and
# the operator's guide. The programs are static: they need only system DLLs.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
build_windows win32
check_xp_imports
stage="$BUILD/package/kestrom"
rm -rf "$BUILD/package" "$BUILD/kestrom-win32.zip"
mkdir -p "$stage"
cp "$BUILD/win32/kestrom.exe" "$BUILD/win32/SimMach3.exe" "$stage/"
sed 's/$/\r/' "$ROOT/docs/operator-guide.md" > "$stage/OPERATOR-GUIDE.txt"
for exe in "$stage"/*.exe; do
  i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' | while read -r dll; do
    case "$(echo "$dll" | tr A-Z a-z)" in
      advapi32.dll|comctl32.dll|gdi32.dll|kernel32.dll|msvcrt.dll|ole32.dll|oleaut32.dll|user32.dll|uxtheme.dll|shell32.dll) ;;
      *) echo "$exe needs $dll, which is not a system DLL" >&2; exit 1 ;;
    esac
  done
done
(cd "$BUILD/package" && zip -q -r "$BUILD/kestrom-win32.zip" kestrom)
echo "$BUILD/kestrom-win32.zip"
