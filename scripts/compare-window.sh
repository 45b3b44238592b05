#!/usr/bin/env bash
# Compares the setup window of two builds of setup.exe, pixel by pixel, in
# both interface languages, with the bundled example package:
#   scripts/compare-window.sh BEFORE.EXE AFTER.EXE OUTDIR
# Prints, per language, how many pixels differ (0: the same window) and the
# rectangle that holds them, and leaves both shots and a difference image in
# OUTDIR. The free-space figure differs whenever the disk changed between
# the two runs. The Windows build
# (build/win64 or build/win) must have been built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
before=$(readlink -f "$1") after=$(readlink -f "$2") out=$(mkdir -p "$3" && cd "$3" && pwd)
source "$root/scripts/windows-build.sh"
build=$root/build/$windows_build
bash "$root/scripts/pack-example.sh" "$build" "$out/data.z" >/dev/null
for side in before after; do
  exe=$before
  [[ $side == after ]] && exe=$after
  "$build/wine-run-copy.sh" "$root/scripts/window-shots.sh" "$build" "$exe" "$out/data.z" "$out/$side" >/dev/null
done
status=0
for language in English Russian; do
  differ=$(compare -metric AE "$out/before/$language.png" "$out/after/$language.png" "$out/$language-difference.png" 2>&1 || true)
  where=
  [[ $differ == 0 ]] || where=", within $(convert "$out/before/$language.png" "$out/after/$language.png" \
    -compose difference -composite -threshold 0 -trim -format '%wx%h%X%Y' info:)"
  echo "$language: $differ pixels differ$where"
  [[ $differ == 0 ]] || status=1
done
exit $status
