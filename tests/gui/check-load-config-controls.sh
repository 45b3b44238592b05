#!/usr/bin/env bash
# The load-configuration check refuses what it exists to refuse: copies of
# the shipped setup.exe with one thing taken away must fail it, each with its
# reason, while the setup.exe itself passes.
#   check-load-config-controls.sh SETUP_EXE
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

python3 "$here/check-load-config.py" "$exe" || { echo "FAILED: the shipped setup.exe does not pass" >&2; status=1; }

# case | what is changed in the copy | what the check must say
while IFS='|' read -r name change reason; do
  copy=$scratch/$name.exe
  python3 - "$exe" "$copy" "$change" <<'PYTHON'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", image, 0x3C)[0]
sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
entry = pe + 24 + 96 + 8 * 10  # the load-configuration directory's entry
rva = struct.unpack_from("<I", image, entry)[0]
def offset_of(address):
    for i in range(sections):
        _, vsize, vaddr, rsize, roffset = struct.unpack_from("<8s4I", image, pe + 24 + optional_size + 40 * i)
        if vaddr <= address < vaddr + min(vsize, rsize):
            return roffset + address - vaddr
if sys.argv[3] == "no-directory":
    struct.pack_into("<2I", image, entry, 0, 0)
elif sys.argv[3] == "no-flags":
    struct.pack_into("<H", image, offset_of(rva) + 54, 0)
open(sys.argv[2], "wb").write(image)
PYTHON
  if output=$(python3 "$here/check-load-config.py" "$copy" 2>&1); then
    echo "FAILED $name: the check passes" >&2
    status=1
  elif ! grep -qF -- "$reason" <<<"$output"; then
    echo "FAILED $name: the check says \"$output\", not \"$reason\"" >&2
    status=1
  else
    echo "ok $name: $output"
  fi
done <<'CASES'
without-the-directory|no-directory|has no load-configuration directory
without-dependent-load-flags|no-flags|DependentLoadFlags is 0x0
CASES
exit $status
