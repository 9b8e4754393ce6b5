#!/usr/bin/env bash
# Fails unless every function that the given programs import is exported by its
# DLL on 32-bit Windows XP SP3: each DLL!function must be in tools/winapi-xp/<dll>.txt
# and not in newer-than-xp.txt. Also requires PE OS and subsystem versions of 5.1
# or lower, or the XP loader refuses the program. Prints every offender.
#   scripts/check_xp_imports.sh prog.exe [prog.exe ...]
set -euo pipefail
lists="$(cd "$(dirname "$0")/.." && pwd)/tools/winapi-xp"
objdump=i686-w64-mingw32-objdump
bad=0
for exe in "$@"; do
  dump="$($objdump -p "$exe")"
  for field in MajorOSystemVersion MajorSubsystemVersion; do
    minor="${field/Major/Minor}"
    major_v="$(awk -v f="$field" '$1 == f {print $2}' <<<"$dump")"
    minor_v="$(awk -v f="$minor" '$1 == f {print $2}' <<<"$dump")"
    if [ -z "$major_v" ] || [ $((major_v * 100 + minor_v)) -gt 501 ]; then
      echo "$(basename "$exe"): $field.$minor is $major_v.$minor_v, above Windows XP's 5.1"
      bad=1
    fi
  done
  # "DLL Name: X.dll" starts a DLL's imports; each following row is
  # "<thunk> <hint> <name>", or "<thunk> <ordinal> <none>" for an import by ordinal.
  while read -r dll fn; do
    list="$lists/$(tr 'A-Z' 'a-z' <<<"${dll%.*}").txt"
    if [ ! -f "$list" ]; then
      echo "$(basename "$exe"): $dll!$fn (no Windows XP list for $dll)"; bad=1
    elif [ "${fn:0:1}" = "#" ]; then
      echo "$(basename "$exe"): $dll!$fn (imported by ordinal)"; bad=1
    elif ! grep -qxF "$fn" "$list" || grep -qxF "$fn" "$lists/newer-than-xp.txt"; then
      echo "$(basename "$exe"): $dll!$fn"; bad=1
    fi
  done < <(awk '
    /^\tDLL Name:/ { dll = $3; next }
    /^$/ { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {
      print dll, ($3 == "<none>" ? "#" $2 : $3)
    }' <<<"$dump")
done
if [ "$bad" = 1 ]; then
  echo "== these imports or versions keep the programs from loading on Windows XP SP3" >&2
  exit 1
fi
echo "Windows XP imports: all imports of $(for e in "$@"; do basename "$e"; done | tr '\n' ' ')are in the XP lists"
