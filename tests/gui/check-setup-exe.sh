#!/usr/bin/env bash
# Checks the built setup.exe: it imports at load time exactly the DLLs known
# below (a DLL of another name beside it could be loaded before any of our
# code runs), starts no thread, and carries its manifest, which asks for the
# highest level the user has: Program Files, the default destination, needs
# it on Windows.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
export LC_ALL=C  # one sort order for comm

# Every one is a DLL Windows takes from System32 whatever lies beside the
# program: a known DLL, or comctl32, the version the manifest names, from
# the side-by-side store. A DLL the program may do without is loaded at run
# time with LoadLibraryExW(..., LOAD_LIBRARY_SEARCH_SYSTEM32), never imported.
known_imports='advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll'

status=0
# Read first, so that an objdump that is missing or cannot read the file
# fails here instead of giving an empty list (which would also miss every
# known import below).
headers=$("$objdump" -p "$exe")
# The program that ships is the 32-bit build, large-address-aware (the
# 64-bit twin that runs the tests on some machines must never take its place).
grep -q 'file format pei-i386$' <<<"$headers" || { echo "setup.exe is not a 32-bit x86 program" >&2; status=1; }
grep -q '^\s*large address aware$' <<<"$headers" || { echo "setup.exe is not large-address-aware" >&2; status=1; }
# Started from a disc or a share, it runs from the swap file: a disc taken
# out cannot pull code from under it.
for flag in 'copy to swap file if on removable media' 'copy to swap file if on network media'; do
  grep -q "^\s*$flag\$" <<<"$headers" || { echo "setup.exe lacks the flag \"$flag\"" >&2; status=1; }
done
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
while read -r dll; do
  echo "setup.exe imports $dll at load time, which is not a known import" >&2
  status=1
done < <(comm -23 <(echo "$imports") <(tr ' ' '\n' <<<"$known_imports") | grep .)
while read -r dll; do
  echo "setup.exe no longer imports $dll: remove it from the known imports" >&2
  status=1
done < <(comm -13 <(echo "$imports") <(tr ' ' '\n' <<<"$known_imports") | grep .)

# The program runs on one thread, and its build relies on that (runtime/:
# one record of the exceptions in flight; local statics without locks). A
# second thread would break those quietly: it must show here first.
imports_function() { grep -qE "^\s+[0-9a-f]+\s+[0-9]+\s+$1\$" <<<"$headers"; }
# The same pattern must find a function the program is known to import:
# objdump listing its imports another way would otherwise hide every call.
if ! imports_function GetProcAddress; then
  echo "no import of GetProcAddress found in objdump's listing: the calls below cannot be looked for" >&2
  status=1
fi
for call in CreateThread _beginthread _beginthreadex CreateRemoteThread QueueUserWorkItem; do
  if imports_function "$call"; then
    echo "setup.exe imports $call: it would no longer run on one thread (see runtime/README.md)" >&2
    status=1
  fi
done

manifest=$(strings -n 6 "$exe")
for needed in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' 'processorArchitecture="*"' \
  'requestedExecutionLevel level="highestAvailable"'; do
  if ! grep -qF -- "$needed" <<<"$manifest"; then
    echo "setup.exe's manifest lacks $needed" >&2
    status=1
  fi
done
exit $status
