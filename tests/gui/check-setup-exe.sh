#!/usr/bin/env bash
# Checks the built setup.exe: it imports nothing at load time but system
# DLLs (a DLL of another name beside it could be loaded before any of our
# code runs), and it carries its manifest, which asks for the highest level
# the user has: Program Files, the default destination, needs it on Windows.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt)\.dll$'

status=0
while read -r dll; do
  if ! tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$allowed"; then
    echo "setup.exe imports $dll at load time" >&2
    status=1
  fi
done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')

manifest=$(strings -n 6 "$exe")
for needed in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' 'processorArchitecture="*"' \
  'requestedExecutionLevel level="highestAvailable"'; do
  if ! grep -qF -- "$needed" <<<"$manifest"; then
    echo "setup.exe's manifest lacks $needed" >&2
    status=1
  fi
done
exit $status
