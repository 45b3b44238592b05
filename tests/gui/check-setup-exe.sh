#!/usr/bin/env bash
# Checks the built setup.exe: it imports nothing at load time but system
# DLLs (a DLL of another name beside it could be loaded before any of our
# code runs), and it carries its manifest.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt)\.dll$'
# A window program imports these whatever else it does: not seeing them
# means the imports were not read at all.
required=(kernel32.dll user32.dll)

status=0
# Read first, so that an objdump that is missing or cannot read the file
# fails here instead of giving an empty list.
headers=$("$objdump" -p "$exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
for dll in "${required[@]}"; do
  if ! grep -qxF -- "$dll" <<<"$imports"; then
    echo "setup.exe's imports as read lack $dll" >&2
    status=1
  fi
done
while read -r dll; do
  [[ -n $dll ]] || continue
  if ! grep -Eq "$allowed" <<<"$dll"; then
    echo "setup.exe imports $dll at load time" >&2
    status=1
  fi
done <<<"$imports"

manifest=$(strings -n 6 "$exe")
for needed in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' 'processorArchitecture="*"' \
  'requestedExecutionLevel level="asInvoker"'; do
  if ! grep -qF -- "$needed" <<<"$manifest"; then
    echo "setup.exe's manifest lacks $needed" >&2
    status=1
  fi
done
exit $status
