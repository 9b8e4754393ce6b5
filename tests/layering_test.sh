#!/usr/bin/env bash
# The house's rooms include only the rooms below them: gcode/ at the bottom,
# then teach/, then toolpath/; the window and the machine link above. A file
# that reaches up fails here, naming the include.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"
fail=0
check() {  # $1: folder; the rest: the folders it must not include
  local folder="$1" bad
  shift
  for bad in "$@"; do
    if grep -rn --include='*.h' --include='*.cpp' "#include \"$bad/" "$folder" --exclude-dir=win32 2>/dev/null; then
      echo "$folder/ includes $bad/, which stands above it" >&2
      fail=1
    fi
  done
}
check gcode teach toolpath window machine sim app
check teach toolpath window machine sim app
check toolpath window machine sim app
[ "$fail" = 0 ] && echo "layering: every include points down"
exit "$fail"
