#!/usr/bin/env bash
# The memory setup.exe takes to refuse a hostile package: one name of
# 256 MiB without its terminating zero byte. Measured through the real
# setup.exe under Wine, against a Wine program that does nothing and
# against setup.exe refusing a small damaged package with the same kind of
# message. Prints the figures; nothing is asserted.
#
#   bash bench/hostile-name.sh [WINDOWS_BUILD_DIR]   (default: build/win64 or build/win, as the tests run)
#
# Peak resident set is the kernel's VmHWM of the Wine process. setup.exe is
# driven by guidriver.exe (it answers the error box), so its process is not
# a child of this script: its VmHWM is read every 10 ms until it ends.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${1:-}" ]; then
  build=$(cd "$1" && pwd)
else
  source "$root/scripts/windows-build.sh"
  build=$root/build/$windows_build
fi
cmake --build "$build" -j2 --target setup guidriver baseline >/dev/null
setup_exe=$build/setup/setup.exe
guidriver=$build/tools/guidriver/guidriver.exe
baseline=$build/bench/baseline.exe

source "$root/scripts/wine-env.sh" "$build"
source "$root/scripts/xvfb.sh"
work=$(mktemp -d "$build/hostile-name.XXXXXX")
trap 'xvfb_stop; rm -rf "$work"' EXIT
[ -d "$WINEPREFIX" ] || wine_prefix_create
xvfb_start

winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# Packages, each in a folder of its own beside a copy of setup.exe.
make_case() {
  mkdir -p "$work/$1"
  cp "$setup_exe" "$work/$1/setup.exe"
}
make_case hostile
{
  printf '\x02\x00\x00\x00'
  head -c $((256 << 20)) /dev/zero | tr '\0' 'n'
} >"$work/hostile/data.z"
make_case small
printf '\x02\x00\x00\x00demo.exe\x00Demo' >"$work/small/data.z"

# The peak resident set (KiB) of the Wine process started as $1's
# setup.exe, read until it ends.
watch_peak() {
  local pattern="$1/setup.exe" pid= peak=0 hwm tries=0
  # Its Unix command line starts with the program; guidriver's names it as an argument.
  until pid=$(pgrep -f -- "^[^ ]*$(basename "$pattern")" | while read -r p; do
    tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qF "$(winpath "$pattern" | cut -c3-)" && echo "$p"; done | head -n 1) &&
    [ -n "$pid" ]; do
    sleep 0.01
    tries=$((tries + 1))
    [ $tries -lt 3000 ] || { echo 0; return; }
  done
  while hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [ -n "$hwm" ]; do
    peak=$hwm
    sleep 0.01
  done
  echo "$peak"
}

# setup.exe in folder $1: its peak, and the message it showed.
run_setup() {
  local dir=$work/$1 peak_file=$work/$1.peak
  watch_peak "$dir" >"$peak_file" &
  local watcher=$!
  message=$(wine "$guidriver" --timeout 60 start "$(winpath "$dir/setup.exe")" "$(winpath "$dir")" answer OK wait |
    tr -d '\r' | sed -n 's/^dialog: //p')
  wait "$watcher"
  peak=$(cat "$peak_file")
}

runs=3
idle=0 small=0 hostile=0
for ((run = 0; run < runs; run++)); do
  /usr/bin/time -f %M -o "$work/idle.rss" wine "$baseline"
  idle_run=$(tail -n 1 "$work/idle.rss")
  ((idle_run > idle)) && idle=$idle_run
  run_setup small
  ((peak > small)) && small=$peak
  small_message=$message
  run_setup hostile
  ((peak > hostile)) && hostile=$peak
  hostile_message=$message
done

echo "Refusing a hostile package: one name of 256 MiB without its zero byte (largest peak resident set of $runs runs, Wine's VmHWM)"
echo "  idle Wine program (baseline.exe)        $(mib $idle) MiB"
echo "  setup.exe, small damaged package        $(mib $small) MiB = idle + $(mib $((small - idle))) MiB"
echo "    shown: $small_message"
echo "  setup.exe, 256 MiB unterminated name    $(mib $hostile) MiB = idle + $(mib $((hostile - idle))) MiB" \
  "(target: at most 16 MiB above idle: $( ((hostile - idle <= 16384)) && echo met || echo NOT met))"
echo "    shown: $hostile_message"
echo "  hostile / small damaged: $(awk -v a="$hostile" -v b="$small" 'BEGIN { printf "%.3f", a / b }')"
