#!/usr/bin/env bash
# The main job: installs what is missing, builds what it runs, packs the
# bundled example product (Quorvix Forge 1.0) and installs it with setup.exe
# under Wine, in a Wine prefix of its own (build/example/wine/prefix):
# - on your display when there is one: press Start, then OK;
# - otherwise under Xvfb, where guidriver.exe presses Start and then OK.
# Then it shows where the tree, the three Start-menu links and the registry
# record ended up.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh" --main
source "$root/scripts/windows-build.sh"
windows_build_line

win=$root/build/$windows_build
out=$root/build/example
dist=$out/dist
rm -rf "$dist"
mkdir -p "$dist"

echo "== packing the example product beside setup.exe in $dist"
bash "$root/scripts/pack-example.sh" "$win" "$dist/data.z"
cp "$win/setup/setup.exe" "$dist/setup.exe"

echo "== a fresh Wine prefix for the install"
source "$root/scripts/wine-env.sh" "$out" "$windows_arch"
source "$root/scripts/xvfb.sh"
trap 'wine_server_stop; xvfb_stop' EXIT
wine_prefix_create

# The package's names are in code page 1251: the install runs with Russian
# system settings, so that they reach Linux as the same Cyrillic names.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "== setup.exe is on your display: press Start, then OK"
  (cd "$dist" && wine_russian setup.exe)
else
  xvfb_start
  echo "== no display: setup.exe runs under Xvfb, driven by guidriver.exe"
  wine_russian "$win/tools/guidriver/guidriver.exe" start "$(wine_path "$dist/setup.exe")" "$(wine_path "$dist")" \
    click Start answer OK wait
fi
wineserver -w

record='HKCU\Software\QuorvixForge'
value() { wine reg query "$record\\Versions\\1.0" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"; }
destination=$(value "Destination folder")
menu=$(value "Start menu folder")
if [ -z "$destination" ]; then
  echo "main-job: the install left no record under $record" >&2
  exit 1
fi
unix_path() { readlink -f "$(wine winepath -u "$1" 2>/dev/null | tr -d "\r")"; }

echo
echo "== the product's tree: $destination"
echo "   on Linux: $(unix_path "$destination")"
(cd "$(unix_path "$destination")" && find . -mindepth 1 | sort | sed 's|^\./|   |')

echo
echo "== the Start-menu links: $menu"
echo "   on Linux: $(unix_path "$menu")"
for link in "$(unix_path "$menu")"/*.lnk; do
  echo "   $(basename "$link")"
  lnkinfo "$link" | sed -nE 's/^\t(Local path|Description|Working directory)\t*: /      \1: /p'
done

echo
echo "== the registry record"
wine reg query "$record" /s | tr -d '\r' | sed '/^$/d; s/^/   /'

echo
echo "== installed by $win/setup/setup.exe"
windows_build_line
