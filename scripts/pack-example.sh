#!/usr/bin/env bash
# Packs the bundled example product, Quorvix Forge 1.0, into a package file.
#   scripts/pack-example.sh BUILD_DIR OUT
# BUILD_DIR is the Windows build (it holds examples/quorvix/QuorvixForge.exe);
# the package is made by the native mkpkg of build/native (or $MKPKG).
# Names are written in Windows-1251, the installer's Russian code page.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT" >&2
  exit 2
fi
build_dir=$1
out=$2
mkpkg=${MKPKG:-$root/build/native/tools/mkpkg/mkpkg}
exe=$build_dir/examples/quorvix/QuorvixForge.exe
for need in "$mkpkg" "$exe"; do
  [ -f "$need" ] || { echo "$0: $need is missing: run scripts/build.sh first" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -R "$root/examples/quorvix/tree" "$stage/1.0"
cp "$exe" "$stage/1.0/QuorvixForge.exe"

"$mkpkg" make "$stage/1.0" -o "$out" --title "Quorvix Forge 1.0" --folder QuorvixForge \
  --key QuorvixForge.exe --codepage 1251 --quiet
"$mkpkg" verify "$out" --codepage 1251
