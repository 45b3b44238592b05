#!/usr/bin/env bash
# Reads a built setup.exe's version information and icon back from the file
# (Debian's pefile, as Explorer's Properties would show them) and compares
# them with what its settings say.
#   version-info-test.sh SETUP.EXE VERSION ICON PRODUCT COMPANY COPYRIGHT
set -uo pipefail
exe=$1 version=$2 icon=$3 product=$4 company=$5 copyright=$6
pe_info() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/pe-info.py" "$@"; }

expected="Language: 040904B0
CompanyName: $company
FileDescription: $product Setup
FileVersion: $version
InternalName: setup
LegalCopyright: $copyright
OriginalFilename: setup.exe
ProductName: $product
ProductVersion: $version
Fixed file version: $version
Fixed product version: $version
$(pe_info --icon "$icon")"

if ! actual=$(pe_info "$exe"); then
  echo "cannot read $exe" >&2
  exit 1
fi
if [[ $actual != "$expected" ]]; then
  echo "the version information of $exe is not what its settings say:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2
  exit 1
fi
