# Shared by run.sh, test.sh, bench.sh and package.sh: installs what is missing,
# builds, and prepares a private, headless Wine.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
JOBS="$(nproc 2>/dev/null || echo 2)"

source "$ROOT/scripts/install.sh"

need_packages() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v g++ >/dev/null || missing+=(g++)
  [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
  # The programs use the win32 thread model (the posix one's runtime imports
  # GetTickCount64, which Windows XP does not have); the Wine tests the posix one.
  command -v i686-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-i686-win32)
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-x86-64-win32)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  command -v widl >/dev/null || missing+=(mingw-w64-tools)
  [ -f /usr/include/wine/wine/windows/oaidl.idl ] || missing+=(libwine-dev)
  command -v wine >/dev/null || missing+=(wine wine64)
  [ -d /usr/lib/i386-linux-gnu/wine ] || missing+=(wine32:i386)
  # Wine's own fonts: Marlett draws the title bars' buttons.
  [ -f /usr/share/wine/fonts/marlett.ttf ] || missing+=(fonts-wine)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xwd >/dev/null || missing+=(x11-apps)
  [ -x /usr/bin/convert ] || missing+=(imagemagick)
  command -v zip >/dev/null || missing+=(zip)
  command -v unzip >/dev/null || missing+=(unzip)
  command -v clang++ >/dev/null || missing+=(clang)
  # Clipper, the region arithmetic of the tool's offset; and its Python reader, which checks the offsets.
  [ -f /usr/include/polyclipping/clipper.hpp ] || missing+=(libpolyclipping-dev)
  /usr/bin/python3 -c "import pyclipper" 2>/dev/null || missing+=(python3-pyclipper)
  # Reads Kestrom's DXF drawings back in the DXF test.
  /usr/bin/python3 -c "import ezdxf" 2>/dev/null || missing+=(python3-ezdxf)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
  printf '%s\n' "${missing[@]}"
}

build_native() {
  cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug -DKESTROM_SANITIZE=ON >/dev/null
  cmake --build "$BUILD/native" -j "$JOBS"
}

# The product's version, as app/version.h holds it.
kestrom_version() {
  sed -n 's/^#define KESTROM_VERSION_TEXT "\(.*\)"$/\1/p' "$ROOT/app/version.h"
}

# The release zip: kestrom.exe, SimMach3.exe and the operator's guide, from the
# shipped 32-bit build. Its DLLs are checked by check_xp_imports, whose lists
# are the one list of the system DLLs the programs may use.
make_package() {  # $1: the build to pack, win32 (default, the one that ships) or win64
  local build="${1:-win32}" version stage
  version="$(kestrom_version)"
  grep -q "Kestrom V$version" "$ROOT/docs/operator-guide.md" ||
    { echo "the operator's guide does not name version $version" >&2; return 1; }
  stage="$BUILD/package/kestrom-$version"
  rm -rf "$BUILD/package" "$BUILD/kestrom-$version-$build.zip"
  mkdir -p "$stage"
  cp "$BUILD/$build/kestrom.exe" "$BUILD/$build/SimMach3.exe" "$stage/"
  sed 's/$/\r/' "$ROOT/docs/operator-guide.md" > "$stage/OPERATOR-GUIDE.txt"
  (cd "$BUILD/package" && zip -q -r "$BUILD/kestrom-$version-$build.zip" "kestrom-$version")
  echo "$BUILD/kestrom-$version-$build.zip"
}

# Clipper's source for the Windows programs, from Debian's source package of
# the libpolyclipping the native build links, through a private package list
# (the machine's own lists stay as they are).
CLIPPER_SOURCE="$BUILD/clipper-6.4.2"
fetch_clipper_source() {
  [ -f "$CLIPPER_SOURCE/clipper.cpp" ] && return 0
  local apt="$BUILD/apt-source"
  rm -rf "$apt"
  mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/get"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    >"$apt/parts/debian-source.sources"
  local options=(-o Dir::Etc::sourceparts="$apt/parts" -o Dir::Etc::sourcelist=/dev/null -o Dir::State::Lists="$apt/lists")
  retry_apt apt-get "${options[@]}" update -qq ||
    { echo "could not read Debian's source package list for Clipper (libpolyclipping)" >&2; return 1; }
  (cd "$apt/get" && apt-get "${options[@]}" source --download-only -qq libpolyclipping >/dev/null 2>&1) ||
    { echo "could not fetch Clipper's source package (libpolyclipping) from Debian" >&2; return 1; }
  mkdir -p "$CLIPPER_SOURCE"
  tar -xjf "$apt"/get/libpolyclipping_6.4.2.orig.tar.bz2 -C "$CLIPPER_SOURCE" --strip-components=2 \
    --wildcards '*/cpp/clipper.cpp' '*/cpp/clipper.hpp'
  tar -xjf "$apt"/get/libpolyclipping_6.4.2.orig.tar.bz2 -C "$CLIPPER_SOURCE" --strip-components=1 --wildcards '*/License.txt'
  [ -f "$CLIPPER_SOURCE/clipper.cpp" ]
}

build_windows() {  # $1: win32, win64, win32-tests or win64-tests; extra cmake options follow
  local dir="$1" toolchain
  shift
  case "$dir" in
    win32) toolchain=mingw-i686 ;;
    win64) toolchain=mingw-x86_64 ;;
    win32-tests) toolchain=mingw-i686-posix; set -- -DKESTROM_WINE_TESTS=ON -DKESTROM_PROGRAMS_DIR="$BUILD/win32" \
      -DKESTROM_PACKAGE_DIR="$BUILD/package-run/kestrom-$(kestrom_version)" "$@" ;;
    win64-tests) toolchain=mingw-x86_64-posix; set -- -DKESTROM_WINE_TESTS=ON -DKESTROM_PROGRAMS_DIR="$BUILD/win64" \
      -DKESTROM_PACKAGE_DIR="$BUILD/package-run/kestrom-$(kestrom_version)" "$@" ;;
  esac
  fetch_clipper_source
  cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKESTROM_CLIPPER_SOURCE="$CLIPPER_SOURCE" "$@" >/dev/null
  cmake --build "$BUILD/$dir" -j "$JOBS"
}

# The text conversions and the program grammar under libFuzzer, for a bounded time.
run_fuzzers() {  # $1: seconds for each
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD/fuzz" -DKESTROM_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD/fuzz" -j "$JOBS" --target fuzz_number_text fuzz_program_grammar fuzz_recovery_journal fuzz_interpreter
  local f
  for f in fuzz_number_text fuzz_program_grammar fuzz_recovery_journal fuzz_interpreter; do
    mkdir -p "$BUILD/fuzz/corpus-$f"
    "$BUILD/fuzz/$f" -max_total_time="$1" -print_final_stats=0 "$BUILD/fuzz/corpus-$f" 2>&1 | tail -n 1
  done
}

# Every import of the shipped programs must exist on Windows XP SP3.
check_xp_imports() {
  "$ROOT/scripts/check_xp_imports.sh" "$BUILD/win32/kestrom.exe" "$BUILD/win32/SimMach3.exe"
}

# The bitness of the Windows programs that Wine runs here. The 32-bit build is
# the one that ships; but some machines' kernels run no 32-bit Linux program,
# and so no 32-bit Wine. There the Wine tests and run.sh use the 64-bit build of
# the same sources (its imports are the 32-bit build's, checked above), and say so.
# Decided only once wine32 is installed: before that the test fails everywhere.
decide_wine_bits() {
  WINE_BITS=32
  KESTROM_WINE=wine
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE_BITS=64
    KESTROM_WINE=/usr/lib/wine/wine64
  fi
  export KESTROM_WINE
}

# The programs' build that Wine runs, built, with its tests when asked: win32 or win64.
build_for_wine() {  # $1: "tests" to build the Wine tests too
  decide_wine_bits
  if [ "$WINE_BITS" = 64 ]; then
    echo "== NOTE: this machine's kernel runs no 32-bit program, so Wine runs the 64-bit build here"
  fi
  build_windows "win$WINE_BITS"
  [ "${1:-}" = tests ] && build_windows "win$WINE_BITS-tests"
  return 0
}

XVFB_PID=""
start_wine() {
  export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  if [ -z "${DISPLAY:-}" ]; then
    local n=97
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$n" ] || { echo "Xvfb did not start" >&2; exit 1; }
    # A bare Xvfb has no X resources, and with none libX11 reads the resource
    # files again at every XGetDefault, which Wine's X11 driver calls at every
    # font selection: an edit control selects its font once for each line it
    # lays out. A resource file, as a desktop session has, is read once.
    mkdir -p "$BUILD"
    printf '! no resources of its own\n' >"$BUILD/x-resources"
    export XENVIRONMENT="$BUILD/x-resources"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix"
    timeout 300 "$KESTROM_WINE" wineboot --init >/dev/null 2>&1
  fi
  # Wine here does not find the fonts of its own data folder, and without
  # Marlett it writes the title bars' buttons as the letters "0 1 r". In the
  # prefix's Fonts folder it is found, and they are drawn as Windows draws them.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  timeout 120 wineserver -w || true
}

# Wine's heap checks (the GlobalFlag of Windows' image options: tail and free
# checking, parameter checks, and the whole heap validated at every call) for
# kestrom.exe, SimMach3.exe and the Wine test programs, or off again for them,
# as for the timed runs of bench.sh and the first look. Wine then reports any
# corruption on its heap channel, which run_under_wine.sh turns into a failure.
KESTROM_HEAP_FLAGS=000000f0
heap_checks() {  # $1: on or off
  local reg="$BUILD/heap-checks.reg" exe view
  local programs=(kestrom.exe SimMach3.exe)
  for exe in "$ROOT"/tests/win32/wine_*_test.cpp; do programs+=("$(basename "${exe%.cpp}").exe"); done
  printf 'REGEDIT4\n\n' >"$reg"
  for exe in "${programs[@]}"; do
    # A 32-bit program on 64-bit Windows reads the 32-bit view of the key.
    for view in "Software" "Software\\Wow6432Node"; do
      local key="HKEY_LOCAL_MACHINE\\$view\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\$exe"
      # wine_program_box_test's own process holds a million lines in an edit
      # control, which Wine keeps as a heap block per line: validating the whole
      # heap at each of a million allocations would take hours, and its timed
      # figures would mean nothing. It runs unchecked.
      if [ "$1" = on ] && [ "$exe" != wine_program_box_test.exe ]; then
        printf '[%s]\n"GlobalFlag"=dword:%s\n\n' "$key" "$KESTROM_HEAP_FLAGS" >>"$reg"
      else
        printf '[-%s]\n\n' "$key" >>"$reg"
      fi
    done
  done
  timeout 120 "$KESTROM_WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1 ||
    { echo "could not set Wine's heap checks $1" >&2; return 1; }
  # The waits that time a program's own end allow for the checks' cost.
  if [ "$1" = on ]; then export KESTROM_HEAP_CHECK_SLOWNESS=4; else unset KESTROM_HEAP_CHECK_SLOWNESS; fi
  timeout 120 wineserver -w || true
}

# A Linux path as Wine's Z: drive shows it.
winepath_of() { echo "Z:${1//\//\\}"; }

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && timeout 60 wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

screenshot() {  # $1: file
  xwd -root -silent | /usr/bin/convert xwd:- "$1"
}
