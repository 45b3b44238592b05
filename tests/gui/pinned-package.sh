#!/usr/bin/env bash
# A setup.exe that names its package by its SHA-256 (as a release's does)
# installs that package, and refuses any other with one message and nothing
# written: another well-formed package, and its own with one byte changed
# in the header, in a name, in file data or at its end, or one byte more or
# less. A package changed after the program loaded it is found by the
# extraction before any changed byte is written to a file (every file
# written is read as it is closed, through fanotify), and everything it did
# is taken back. The same program
# built without a digest installs the other package. The change is made
# from Linux, through the file's other side: Wine, like a share that ignores
# sharing, does not stop that. A package whose check takes a while shows
# the check's progress window, which goes before the setup window comes.
#   pinned-package.sh SETUP_EXE GUIDRIVER_EXE MKPKG_EXE PIN_PACKAGE_EXE
# Runs under Wine in a prefix of its own (wine-run-copy.sh): it installs.
set -uo pipefail
setup_exe=$1 guidriver=$2 mkpkg=$3 pin_package=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d "$WINEPREFIX/drive_c/pinned.XXXXXX")
windows_path() { winepath -w "$1" 2>/dev/null; }
status=0
failed() {
  echo "FAILED ($case): $*" >&2
  status=1
}
refusal='dialog: Error: The package "data.z" does not belong to this setup program.'
installed="$WINEPREFIX/drive_c/Program Files/Demo"

# A product of a key file and 3 MiB of data (the extraction reads it in
# several pieces, the load skips it), packed by mkpkg; $2 is the data's seed,
# $3 (if given) the size of a file of zeros added beside it.
make_package() {
  local tree=$work/tree-$2/1.0
  mkdir -p "$tree/data"
  printf 'MZ demo' >"$tree/demo.exe"
  printf 'read me' >"$tree/readme.txt"
  python3 -c 'import random, sys; random.seed(sys.argv[2]); open(sys.argv[1], "wb").write(random.randbytes(3 << 20))' \
    "$tree/data/big.bin" "$2"
  [[ -z ${3:-} ]] || truncate -s "$3" "$tree/data/zeros.bin"
  wine "$mkpkg" make "$(windows_path "$tree")" -o "$(windows_path "$1")" --title "Demo 1.0" --folder Demo \
    --key demo.exe --quiet >/dev/null 2>&1
}
make_package "$work/own.z" own || { echo "mkpkg cannot make the package" >&2; exit 1; }
make_package "$work/other.z" other || { echo "mkpkg cannot make the other package" >&2; exit 1; }
size=$(stat -c %s "$work/own.z")
digest=$(sha256sum <"$work/own.z" | cut -d' ' -f1)

# setup.exe pinned to own.z (or to the digest $3), beside the package $2 as
# data.z in the folder $1 of its own.
setup_folder() {
  mkdir -p "$work/$1"
  cp "$setup_exe" "$work/$1/setup.exe"
  # Wine's resource update now and then fails without a reason (error 0)
  # on a file just copied: tried up to three times, each on a fresh copy.
  local try
  for try in 1 2 3; do
    wine "$pin_package" "$(windows_path "$work/$1/setup.exe")" "${3:-$digest}" </dev/null && break
    ((try == 3)) && { echo "cannot pin setup.exe to the package" >&2; exit 1; }
    cp "$setup_exe" "$work/$1/setup.exe"
  done
  cp "$2" "$work/$1/data.z"
}
# Flips the lowest bit of the byte at $2 of file $1, in place: the file
# stays the one setup.exe holds open.
flip_byte() {
  python3 -c 'import os, sys
f = os.open(sys.argv[1], os.O_RDWR); at = int(sys.argv[2])
os.pwrite(f, bytes([os.pread(f, 1, at)[0] ^ 1]), at)' "$1" "$2"
}
# Runs the driver on the program in folder $1 with the steps that follow:
# what it prints goes to the standard output, line ends as written.
drive() {
  local folder=$work/$1
  shift
  wine "$guidriver" --timeout 60 start "$(windows_path "$folder/setup.exe")" "$(windows_path "$folder")" "$@" \
    2>&1 </dev/null
}
nothing_written() {
  [ ! -e "$installed" ] || failed "Program Files holds $(cd "$installed/.." && find Demo | head -n 5 | xargs)"
  [[ -z $(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Demo' 2>/dev/null) ]] ||
    failed "a Start-menu folder Demo was made"
  no_record
}
# Fails the case when HKEY_CURRENT_USER\Software holds the key Demo, or when
# reg.exe cannot export what it holds: a failed look is no absence.
no_record() {
  local exported=$work/software.reg
  rm -f "$exported"
  if ! wine reg export 'HKCU\Software' "$(windows_path "$exported")" /y >/dev/null 2>&1 </dev/null; then
    failed "reg.exe cannot export HKEY_CURRENT_USER\Software"
    return
  fi
  local keys
  keys=$(iconv -f UTF-16 -t UTF-8 "$exported" | tr -d '\r' | grep '^\[')
  if ! grep -qxF '[HKEY_CURRENT_USER\Software]' <<<"$keys"; then
    failed "reg.exe's export of HKEY_CURRENT_USER\Software lacks the key's own line"
  elif grep -qiE '^\[HKEY_CURRENT_USER\\Software\\Demo(\\.*)?\]$' <<<"$keys"; then
    failed "a registry record was written"
  fi
}

# Refused at load: one box, then the program ends with the exit code of the
# other load failures.
# case | how data.z is made from own.z
while IFS='|' read -r case make; do
  setup_folder "$case" "$work/own.z"
  (cd "$work/$case" && eval "$make") || { failed "cannot make its data.z"; continue; }
  driven=$(drive "$case" answer OK wait | tr -d '\r')
  grep -qxF -- "$refusal" <<<"$driven" && grep -qx 'exit code: 0' <<<"$driven" &&
    [[ $(grep -c '^dialog:' <<<"$driven") == 1 ]] || { failed "setup.exe said:"; echo "$driven" >&2; }
  nothing_written
  ((status)) || echo "$case: refused at load, nothing written"
done <<EOF
another-package|cp "$work/other.z" data.z
header|flip_byte data.z 1
name|flip_byte data.z 32
file-data|flip_byte data.z $((size / 2))
last-byte|flip_byte data.z $((size - 1))
one-byte-less|truncate -s -1 data.z
one-byte-more|printf x >>data.z
EOF

# Installs from folder $1 and compares the result with tree $2, then
# removes the install for the next case.
install_whole() {
  driven=$(drive "$1" click Start answer OK wait | tr -d '\r')
  grep -qF 'dialog: Information: The installation of Demo 1.0 was finished successfully!' <<<"$driven" &&
    grep -qx 'exit code: 0' <<<"$driven" || { failed "setup.exe said:"; echo "$driven" >&2; }
  # Beside the product: its uninstaller and the record of what the install made.
  diff -r -x uninstall.exe -x uninstall.dat "$2" "$installed/1.0" >&2 ||
    failed "the installed tree differs from the product's"
  rm -rf "$installed"
  wine reg delete 'HKCU\Software\Demo' /f >/dev/null 2>&1 </dev/null
  find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Demo' -prune -exec rm -rf {} +
}

# Its own package: installed whole.
case=own-package
setup_folder "$case" "$work/own.z"
install_whole "$case" "$work/tree-own/1.0"
((status)) || echo "$case: installed"

# setup.exe built without a digest installs any well-formed package.
case=plain-build
mkdir -p "$work/$case"
cp "$setup_exe" "$work/$case/setup.exe"
cp "$work/other.z" "$work/$case/data.z"
install_whole "$case" "$work/tree-other/1.0"
((status)) || echo "$case: the other package installed"

# Its own package, changed in big.bin's data once the window shows, a MiB
# and more into the package: the extraction finds the block with the
# change wrong before it writes any of it, and takes everything back.
# Every file written under the product's folder is read as it is closed,
# removed or not: none may hold the changed bytes.
case=changed-after-load
setup_folder "$case" "$work/own.z"
go=$work/$case/go watched=$work/$case/watched
python3 "$here/written-files.py" "$installed" "$work/$case/needle" "$watched.stop" >"$watched" 2>&1 &
watcher=$!
for ((tries = 0; tries < 100; tries++)); do
  grep -q '^watching' "$watched" && break
  sleep 0.1
done
: >"$work/$case/driven"
drive "$case" select English await "$(windows_path "$go")" click Start answer OK wait >"$work/$case/driven" &
driver=$!
for ((tries = 0; tries < 500; tries++)); do
  grep -q '^awaiting' "$work/$case/driven" && break
  sleep 0.1
done
changed_at=$((size / 2))
flip_byte "$work/$case/data.z" $changed_at && touch "$go"
wait $driver
# The changed byte amid its neighbours: random data, found nowhere else.
dd if="$work/$case/data.z" of="$work/$case/needle" bs=1 skip=$((changed_at - 32)) count=64 status=none
touch "$watched.stop"
wait $watcher
driven=$(tr -d '\r' <"$work/$case/driven")
grep -qxF -- "$refusal" <<<"$driven" && grep -qx 'exit code: 0' <<<"$driven" &&
  [[ $(grep -c '^dialog:' <<<"$driven") == 1 ]] || { failed "setup.exe said:"; echo "$driven" >&2; }
grep -q '^closed ' "$watched" || { failed "no file written was seen:"; cat "$watched" >&2; }
! grep '^changed ' "$watched" >&2 || failed "a file was written with the changed bytes"
nothing_written
((status)) || echo "$case: refused during the extraction, no changed byte written, everything taken back"

# A package whose check takes a while: 512 MiB (all of it read for the
# digest before the setup window can come). The check's window shows how far
# it has got, and has gone once the setup window is there to be closed.
case=slow-check
make_package "$work/slow.z" slow $((512 << 20)) || { echo "mkpkg cannot make the slow package" >&2; exit 1; }
setup_folder "$case" "$work/slow.z" "$(sha256sum <"$work/slow.z" | cut -d' ' -f1)"
driven=$(drive "$case" transient "Checking the package: " close wait | tr -d '\r')
grep -qE '^window: Checking the package: [0-9]+ %$' <<<"$driven" && grep -qx 'gone: Checking the package: ' <<<"$driven" &&
  grep -qx 'exit code: 0' <<<"$driven" || { failed "setup.exe said:"; echo "$driven" >&2; }
nothing_written
((status)) || echo "$case: the check's window came and went"

rm -rf "$work"
exit $status
