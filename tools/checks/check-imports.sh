#!/usr/bin/env bash
# check-imports.sh OBJDUMP EXE EXPECTED-FORMAT: the executable has the expected
# format (pei-i386 for the shipped installer) and imports only DLLs that every
# Windows system has; no compiler runtime DLL may be needed beside it.
set -euo pipefail
objdump=$1 exe=$2 format=$3
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|psapi|msvcrt|gdiplus|version|uxtheme|windowscodecs|ws2_32|winmm|imm32|rpcrt4|crypt32|bcrypt|ntdll)\.dll$'
dump=$("$objdump" -p "$exe")
grep -q "file format $format" <<<"$dump" || { echo "$exe: not $format"; exit 1; }
mapfile -t dlls < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
((${#dlls[@]})) || { echo "$exe: no imports found"; exit 1; }
bad=0
for d in "${dlls[@]}"; do
  if [[ ${d,,} =~ $allowed ]]; then echo "system: $d"; else echo "NOT A SYSTEM DLL: $d"; bad=1; fi
done
exit $bad
