# Sourced by bench/run.sh: timing, statistics and figures.

# Times one command: its wall-clock nanoseconds go to $last_ns and its peak
# resident set (KiB, from the kernel's accounting of the process) to
# $last_rss_kib. A failing command ends the benchmark with its output.
time_command() {
  local log=$bench_dir/last-command.log t0 t1
  t0=$(date +%s%N)
  if ! /usr/bin/time -f %M -o "$bench_dir/last-rss" "$@" >"$log" 2>&1; then
    echo "bench: failed: $*" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  last_ns=$((t1 - t0))
  last_rss_kib=$(tail -n 1 "$bench_dir/last-rss")
}

# The median of the numbers given (the lower middle one for an even count).
median() {
  printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"
}

# Runs every contender of a comparison in turn, RUNS rounds, so that a
# change in the machine's load falls on all of them alike. A contender is a
# shell function that prepares its run (untimed) and leaves the command to
# time in the array "cmd". Results: ns[KEY/contender], the median time, and
# rss[KEY/contender], the largest peak resident set seen.
declare -A ns rss
compare() {
  local key=$1 runs=$2 round turn contender
  shift 2
  local -a order=("$@")
  declare -A samples=()
  for ((round = 0; round < runs; round++)); do
    # Each round starts with the next contender: what one run leaves behind
    # (freed memory, dirty pages, a busy inode allocator) then falls on a
    # different contender each time, not always on the same one.
    for ((turn = 0; turn < ${#order[@]}; turn++)); do
      contender=${order[(round + turn) % ${#order[@]}]}
      cmd=()
      "$contender"
      time_command "${cmd[@]}"
      samples[$contender]+=" $last_ns"
      if ((${rss[$key/$contender]:-0} < last_rss_kib)); then rss[$key/$contender]=$last_rss_kib; fi
    done
  done
  for contender in "$@"; do
    # shellcheck disable=SC2086
    ns[$key/$contender]=$(median ${samples[$contender]})
  done
}

# Empties a directory and flushes the page cache's dirty pages to disk, so
# that no run pays for writing back an earlier run's files.
fresh_dir() {
  rm -rf "$1"
  mkdir -p "$1"
  sync
}

seconds() { awk -v n="$1" 'BEGIN { printf "%.3f", n / 1e9 }'; }
ms() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1e6 }'; }
# Decimal megabytes (10^6 bytes) per second.
mb_per_s() { awk -v b="$1" -v n="$2" 'BEGIN { printf "%.0f", b / 1e6 / (n / 1e9) }'; }
per_s() { awk -v c="$1" -v n="$2" 'BEGIN { printf "%.0f", c / (n / 1e9) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# "met" when a <= b * factor.
within() { awk -v a="$1" -v b="$2" -v f="${3:-1}" 'BEGIN { print (a <= b * f) ? "met" : "MISSED" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
