#!/usr/bin/env bash
# Checks that dorvane.dll exports the C interface and nothing else, and that
# it and the programs given after it need nothing beyond what every Windows
# has: the C++ runtime, libgcc and winpthread are linked in, so no MinGW DLL
# may appear among their imports.
#   check_dll.sh OBJDUMP dorvane.dll [PROGRAM.exe ...]
set -euo pipefail
objdump=$1 lib=$2
shift 2
exports=$("$objdump" -p "$lib" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[\s*[0-9]*\] //p')
[ -n "$exports" ] || { echo "$lib exports nothing"; exit 1; }
others=$(grep -v '^dorvane_' <<<"$exports" || true)
[ -z "$others" ] || { echo "exported beyond the C interface:"; echo "$others"; exit 1; }
echo "$(basename "$lib") exports $(wc -l <<<"$exports") functions"

system_dlls='^(KERNEL32|USER32|msvcrt|ADVAPI32|WS2_32|CRYPT32|ole32)\.dll$'
for file in "$lib" "$@"; do
  imports=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  foreign=$(grep -viE "$system_dlls" <<<"$imports" | grep -vx 'dorvane.dll' || true)
  [ -z "$foreign" ] || { echo "$file needs DLLs a bare Windows lacks:"; echo "$foreign"; exit 1; }
  echo "$(basename "$file") imports $(tr '\n' ' ' <<<"$imports")"
done
