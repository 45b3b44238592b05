#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, packs the
# bundled example product (Quorvix Forge 1.0) and extracts it under Wine with
# the installer's own extractor, then shows where the tree went.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"

win=$root/build/win
out=$root/build/example
package=$out/data.z
target=$out/installed
rm -rf "$out"
mkdir -p "$out"

echo "== packing the example product"
bash "$root/scripts/pack-example.sh" "$win" "$package"
"$root/build/native/tools/mkpkg/mkpkg" list "$package" --codepage 1251

echo "== extracting it under Wine"
source "$root/scripts/wine-env.sh" "$win"
[ -d "$WINEPREFIX" ] || wine_prefix_create
trap 'wineserver -w >/dev/null 2>&1 || true' EXIT
# The package's names are in code page 1251: extract with Russian settings.
wine_russian "$win/tools/unpackcli/unpackcli.exe" "Z:${package//\//\\}" "Z:${target//\//\\}"

echo "== the product's tree is in $target"
(cd "$target" && find . -mindepth 1 | sort | sed 's|^\./||')
