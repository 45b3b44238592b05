#!/usr/bin/env bash
# Screenshots of setup.exe's window in each interface language, for
# comparing two builds pixel by pixel (scripts/compare-window.sh). Run it
# under a Wine prefix copy with a display of its own:
#   build/win64/wine-run-copy.sh scripts/window-shots.sh BUILD SETUP.EXE DATA.Z OUTDIR
# writes OUTDIR/English.png and OUTDIR/Russian.png, of the whole screen.
set -euo pipefail
build=$1 setup=$2 package=$3 out=$4
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$setup" "$work/setup.exe"
cp "$package" "$work/data.z"
win() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }
for language in English Russian; do
  ready="$work/$language.ready"
  # The driver waits at "await" until the shot is taken; the window is then
  # closed with its close box.
  wine "$build/tools/guidriver/guidriver.exe" start "$(win "$work/setup.exe")" "$(win "$work")" \
    select "$language" await "$(win "$ready")" close wait >"$work/$language.log" 2>&1 &
  driver=$!
  until grep -q awaiting "$work/$language.log" 2>/dev/null; do
    kill -0 "$driver" 2>/dev/null || { cat "$work/$language.log" >&2; exit 1; }
    sleep 0.2
  done
  # Let the window finish painting: the shot is of what stays on screen.
  sleep 2
  import -window root "$out/$language.png"
  touch "$ready"
  wait "$driver"
done
