#!/usr/bin/env bash
# A DLL planted beside setup.exe (a Downloads folder full of other people's
# files) under the name of a DLL the program loads is not loaded once the
# program has restricted its DLL search, its first act.
#   planted-dlls.sh SETUP_EXE GUIDRIVER_EXE PLANTED_DLL MKPKG_EXE
# Runs under Wine in a prefix of its own (wine-run-copy.sh): it installs.
#
# First a whole install lists every DLL setup.exe loads (WINEDEBUG=+loaddll).
# Then, for each name, one install with planted.dll copied beside setup.exe
# under that name and Wine told to prefer it (native first), as Windows
# would search the program's folder for it. The copy leaves a marker saying
# whether the program had restricted its search when the copy was loaded
# (see tests/platform/Planted.c). What Wine does that Windows does not is
# named in the tables below, with the reason; any other load of a planted
# copy fails the test, and so does an entry no longer seen.
set -euo pipefail
setup_exe=$1 guidriver=$2 planted=$3 mkpkg=$4

# Windows maps these from System32 whatever lies beside a program: its known
# DLLs and the DLLs they import. Wine, told to prefer a copy beside the
# program, takes it (or cannot start without its own), which says nothing
# about Windows: not planted.
system_only=' advapi32.dll combase.dll gdi32.dll imm32.dll kernel32.dll kernelbase.dll msvcrt.dll ole32.dll
  rpcrt4.dll sechost.dll shcore.dll shell32.dll shlwapi.dll user32.dll win32u.dll '

# Taken by Wine before setup.exe's first line runs, so no restriction the
# program makes can reach them: Wine's own DLLs import them (ucrtbase from
# Wine's msvcrt; zlib1, version from Wine's user32 and kin) or Wine loads
# them while its user32 starts (winex11.drv, its display driver; uxtheme).
# On Windows none of these is imported by what setup.exe imports, and the
# program's own imports come from System32 (known DLLs; comctl32 through the
# manifest; from Windows 10 1607 on, the load configuration's
# DependentLoadFlags, which Wine 8 does not read).
wine_before=' ucrtbase.dll uxtheme.dll version.dll winex11.drv zlib1.dll '

# Taken by Wine after the restriction: Wine's comctl32 and user32 load these
# on first use through ntdll's delay-load resolver (LdrResolveDelayLoadedAPI),
# which calls LdrLoadDll without a search path; Wine's loader then searches
# the program's folder whatever SetDefaultDllDirectories said. Windows'
# delay loads follow the directories the process set.
wine_after=' msimg32.dll uxtheme.dll '

# Each list one line with a space at either end, for " $name " matches.
for list in system_only wine_before wine_after; do
  printf -v "$list" ' %s ' "$(xargs <<<"${!list}")"
done

work=$(mktemp -d "$WINEPREFIX/drive_c/planted.XXXXXX")
windows_path() { winepath -w "$1" 2>/dev/null; }

mkdir -p "$work/tree/1.0"
printf 'MZ demo' >"$work/tree/1.0/demo.exe"
wine "$mkpkg" make "$(windows_path "$work/tree/1.0")" -o "$(windows_path "$work/data.z")" \
  --title "Demo 1.0" --folder Demo --key demo.exe --quiet >/dev/null 2>&1

# A folder holding setup.exe and the package, named after its run.
setup_folder() {
  mkdir -p "$work/$1/markers"
  cp "$setup_exe" "$work/data.z" "$work/$1/"
}

# The whole install by the driver in folder $1; the remaining arguments go
# to env. Exit status: the driver's.
install_in() {
  local folder=$work/$1
  shift
  env "$@" wine "$guidriver" --timeout 5 start "$(windows_path "$folder/setup.exe")" "$(windows_path "$folder")" \
    click Start answer OK wait
}

setup_folder listing
install_in listing WINEDEBUG=+pid,+loaddll >/dev/null 2>"$work/loaddll.txt" ||
  { echo "the install that lists the DLLs failed" >&2; exit 1; }
# "0124:0128:trace:loaddll:build_module Loaded L"C:\\...\\user32.dll" at ...": process 0124.
process=$(grep -m1 -F 'listing\\setup.exe" at' "$work/loaddll.txt" | cut -d: -f1)
names=$(grep "^$process:.*:loaddll:.* Loaded L\"" "$work/loaddll.txt" | sed 's/.* Loaded L"//; s/" at .*//; s/.*\\//' |
  tr '[:upper:]' '[:lower:]' | grep -vx setup.exe | sort -u)
[[ -n $names ]] || { echo "+loaddll listed no DLL of setup.exe" >&2; exit 1; }

status=0
seen_before=' ' seen_after=' '
for name in $names; do
  [[ $system_only == *" $name "* ]] && continue
  setup_folder "$name"
  cp "$planted" "$work/$name/$name"
  # winedbg off: a stand-in without the DLL's functions may crash the program.
  installed=0
  install_in "$name" PLANTED_MARKERS="$(windows_path "$work/$name/markers")" \
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;${name%.dll}=n,b;winedbg.exe=d" >"$work/$name/driver.txt" 2>&1 || installed=$?
  markers=$(ls "$work/$name/markers")
  [[ $markers == *.before* ]] && seen_before+="$name "
  [[ $markers == *.after* ]] && seen_after+="$name "
  if [[ -z $markers && $installed -ne 0 ]]; then
    echo "with a planted $name, no copy was loaded but the install failed:" >&2
    cat "$work/$name/driver.txt" >&2
    status=1
  fi
done

# The same set both ways: each load of a planted copy is named above, and
# each named one still happens.
compare() {
  local what=$1 seen=$2 named=$3 name
  for name in $seen; do
    [[ $named == *" $name "* ]] || { echo "a planted $name was loaded $what" >&2; status=1; }
  done
  for name in $named; do
    [[ $seen == *" $name "* ]] || { echo "a planted $name is no longer loaded $what: strike it from the list" >&2; status=1; }
  done
}
compare "before setup.exe restricted its DLL search" "$seen_before" "$wine_before"
compare "after setup.exe restricted its DLL search" "$seen_after" "$wine_after"
exit $status
