#!/usr/bin/env bash
# The memory setup.exe takes to refuse a hostile package: one name of
# 256 MiB without its terminating zero byte. Measured through the real
# setup.exe under Wine, against a Wine program that does nothing and
# against setup.exe refusing a small damaged package with the same kind of
# message. Prints the figures; nothing is asserted.
#
#   bash bench/hostile-name.sh [WINDOWS_BUILD_DIR]   (default: build/win64 or build/win, as the tests run)
#
# Peak resident set is the kernel's accounting of the Wine process: VmHWM,
# read once setup.exe shows its error box (the refusal made), and /usr/bin/time
# for the program that does nothing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${1:-}" ]; then
  build=$(cd "$1" && pwd)
else
  source "$root/scripts/windows-build.sh"
  build=$root/build/$windows_build
fi
cmake --build "$build" -j2 --target setup baseline >/dev/null
setup_exe=$build/setup/setup.exe
baseline=$build/bench/baseline.exe

source "$root/scripts/wine-env.sh" "$build"
source "$root/scripts/xvfb.sh"
work=$(mktemp -d "$build/hostile-name.XXXXXX")
trap 'xvfb_stop; rm -rf "$work"' EXIT
[ -d "$WINEPREFIX" ] || wine_prefix_create
# A display of its own: the error box is found by its title.
unset DISPLAY
xvfb_start

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

# setup.exe in folder $1, with its own package: once its error box is up
# (the package refused), the peak resident set (KiB) of its process goes to
# $peak and the program is ended.
run_setup() {
  local dir=$work/$1 pid tries=0
  (cd "$dir" && exec wine setup.exe 2>/dev/null) &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -q '"Error"'; do
    tries=$((tries + 1))
    [ $tries -lt 600 ] || { echo "hostile-name: no error box from $dir/setup.exe" >&2; kill "$pid"; exit 1; }
    sleep 0.1
  done
  sleep 0.5
  # (The process Wine runs the program in is the one started here.)
  tr '\0' '\n' <"/proc/$pid/cmdline" | head -n 1 | grep -q 'setup\.exe$' ||
    { echo "hostile-name: process $pid is not setup.exe" >&2; exit 1; }
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

runs=3
idle=0 small=0 hostile=0
for ((run = 0; run < runs; run++)); do
  /usr/bin/time -f %M -o "$work/idle.rss" wine "$baseline" 2>/dev/null
  idle_run=$(tail -n 1 "$work/idle.rss")
  ((idle_run > idle)) && idle=$idle_run
  run_setup small
  ((peak > small)) && small=$peak
  run_setup hostile
  ((peak > hostile)) && hostile=$peak
done

echo "Refusing a hostile package: one name of 256 MiB without its zero byte (largest peak resident set of $runs runs, Wine's VmHWM)"
echo "  idle Wine program (baseline.exe)        $(mib $idle) MiB"
echo "  setup.exe, small damaged package        $(mib $small) MiB = idle + $(mib $((small - idle))) MiB"
echo "  setup.exe, 256 MiB unterminated name    $(mib $hostile) MiB = idle + $(mib $((hostile - idle))) MiB" \
  "(target: at most 16 MiB above idle: $( ((hostile - idle <= 16384)) && echo met || echo NOT met))"
echo "  hostile / small damaged: $(awk -v a="$hostile" -v b="$small" 'BEGIN { printf "%.3f", a / b }')"
