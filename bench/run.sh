#!/usr/bin/env bash
# The benchmark: extraction, packing, start-up, size and memory of the
# installer, each measured in the same run as the alternatives a user or a
# vendor would pick instead, and reported as ratios.
#
#   bash bench/run.sh           full workloads (about 2 GiB of trees; ~8 min, more the first time)
#   bash bench/run.sh --quick   the same, scaled down, for development
#   bash bench/run.sh --startup the full workloads' start-up and size figures only
#   bash bench/run.sh --pinned  the full workloads' extraction with and without the
#                               package's SHA-256 (unpackcli --pin), as a release runs it
#
# Everything is built and generated under build/bench/; the report is printed
# and saved as build/bench/report-full.txt (or report-quick.txt).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_dir=$root/build/bench

mode=full quick_flag= figures=all
case "${1:-}" in
  --quick) mode=quick quick_flag=--quick ;;
  --startup) figures=startup ;;
  --pinned) figures=pinned ;;
  "") ;;
  *) echo "usage: bench/run.sh [--quick | --startup | --pinned]" >&2; exit 2 ;;
esac
data_dir=$bench_dir/data-$mode
mkdir -p "$data_dir"
report=$bench_dir/report-$mode.txt
[ $figures = all ] || report=$bench_dir/report-$figures.txt

source "$root/bench/lib/measure.sh"
source "$root/bench/lib/workloads.sh"

say() { echo "$*" | tee -a "$report"; }
step() { echo "== $*" >&2; }

# Runs: several per figure, fewer for the big workload.
runs_for() { if [ "$1" = large ]; then echo 3; elif [ $mode = quick ]; then echo 3; else echo 5; fi; }

step "dependencies and release builds"
bash "$root/scripts/install-deps.sh"
source "$root/scripts/configure-build.sh"
configure_build "$bench_dir/native" native-tools
cmake --build "$bench_dir/native" -j2 --target mkpkg gentree >/dev/null
# The build measured: the shipped 32-bit programs where this kernel starts
# 32-bit programs, else their 64-bit twins (scripts/windows-build.sh), each
# against NSIS's stub of the same kind. The size figures always read the
# shipped 32-bit setup.exe: only it ships.
source "$root/scripts/windows-build.sh"
run_dir=$bench_dir/$windows_build
configure_build "$bench_dir/win" win-programs
if [[ $windows_build == win64 ]]; then
  configure_build "$run_dir" win64-programs -DSHIPPED_SETUP_EXE="$bench_dir/win/setup/setup.exe"
  nsis_target=amd64-unicode
else
  nsis_target=x86-ansi
fi
cmake --build "$run_dir" -j2 --target unpackcli firstwindow baseline >/dev/null
# setup.exe is measured when it builds; the extraction figures do not need it.
cmake --build "$run_dir" -j2 --target setup >/dev/null 2>&1 || true
cmake --build "$bench_dir/win" -j2 --target setup sizefloor >/dev/null 2>&1 || true
gentree=$bench_dir/native/bench/gentree
mkpkg=$bench_dir/native/tools/mkpkg/mkpkg
unpackcli=$run_dir/tools/unpackcli/unpackcli.exe
setup_exe=$run_dir/setup/setup.exe
firstwindow=$run_dir/bench/firstwindow.exe
baseline=$run_dir/bench/baseline.exe
shipped_setup_exe=$bench_dir/win/setup/setup.exe
sizefloor=$bench_dir/win/bench/sizefloor.exe

workloads=(small large mix)
step "workload trees ($mode)"
for w in "${workloads[@]}" tiny; do make_tree "$w"; done

: >"$report"
say "Benchmark ($mode), $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
say "$(windows_build_line); the peer is NSIS's $nsis_target stub"
say "Workloads (each also as data.z by mkpkg, as an uncompressed tar, and as an uncompressed NSIS installer):"
for w in "${workloads[@]}"; do
  say "  $(printf '%-6s %6d files %8.1f MiB' "$w" "${files[$w]}" "$(mib $((bytes[$w] / 1024)))")"
done

# ---------------------------------------------------------------- packing
step "packing"
pack_mkpkg() {
  rm -f "$(package_file "$w")"
  sync
  cmd=("$mkpkg" make "$(tree_dir "$w")" -o "$(package_file "$w")" --title "Bench $w" --folder Bench --key app.exe --quiet)
}
pack_tar() {
  rm -f "$(tar_file "$w")"
  sync
  cmd=(tar -cf "$(tar_file "$w")" -C "$data_dir/$w" 1.0)
}
if [ $figures = all ]; then
for w in "${workloads[@]}"; do compare "pack-$w" "$(runs_for "$w")" pack_mkpkg pack_tar; done
w=tiny
pack_mkpkg && "${cmd[@]}"

say ""
say "Packing a tree into one file (median wall time; ratio = tar time / mkpkg time, target >= 0.90)"
say "$(printf '  %-6s %10s %10s %9s %9s %7s' workload 'mkpkg s' 'tar -cf s' 'mkpkg MB/s' 'tar MB/s' ratio)"
for w in "${workloads[@]}"; do
  a=${ns[pack-$w/pack_mkpkg]} b=${ns[pack-$w/pack_tar]}
  say "$(printf '  %-6s %10s %10s %9s %9s %7s %s' "$w" "$(seconds "$a")" "$(seconds "$b")" \
    "$(mb_per_s "${bytes[$w]}" "$a")" "$(mb_per_s "${bytes[$w]}" "$b")" "$(ratio "$b" "$a")" \
    "$(within "$a" "$b" 1.111)")"
done
say "  mkpkg peak resident set: $(for w in "${workloads[@]}"; do printf '%s %s MiB  ' "$w" "$(mib "${rss[pack-$w/pack_mkpkg]}")"; done)"
else
  # The packages these figures need only, made once.
  if [ $figures = pinned ]; then needed=("${workloads[@]}"); else needed=(tiny mix); fi
  for w in "${needed[@]}"; do [ -f "$(package_file "$w")" ] || { pack_mkpkg && "${cmd[@]}"; }; done
fi

step "peer installers (makensis)"
case $figures in
  all) peers=("${workloads[@]}" tiny) ;;
  startup) peers=(tiny mix) ;;
  pinned) peers=() ;;
esac
for w in "${peers[@]}"; do make_peer_installer "$w"; done

# ------------------------------------------------------------- under Wine
mkdir -p "$bench_dir/wine-$windows_arch"
source "$root/scripts/wine-env.sh" "$bench_dir/wine-$windows_arch" "$windows_arch"
source "$root/scripts/xvfb.sh"
trap 'wine_server_stop; xvfb_stop' EXIT
[ -f "$WINE_ROOT/prefix.done" ] || { step "Wine prefix"; wine_prefix_create; touch "$WINE_ROOT/prefix.done"; }
xvfb_start
wine_server_start

step "fixed cost of a Wine process"
noop() { cmd=(wine "$baseline"); }
compare wine 11 noop
say ""
say "A Wine process that does nothing, with the wineserver already running: $(ms "${ns[wine/noop]}") ms, peak resident set $(mib "${rss[wine/noop]}") MiB"
say "(every Wine figure below includes this start; tar and dd run natively)"

# ------------------------------------------------ extraction with a pin
# unpackcli as a release's setup.exe runs: given the package's SHA-256, it
# hashes the whole package as it loads it and checks what it extracts.
if [ $figures = pinned ]; then
  pinned_target() { echo "$bench_dir/target/$1"; }
  x_plain() {
    fresh_dir "$(pinned_target plain)"
    cmd=(wine "$unpackcli" "$(wine_path "$(package_file "$w")")" "$(wine_path "$(pinned_target plain)")")
  }
  x_pinned() {
    fresh_dir "$(pinned_target pinned)"
    cmd=(wine "$unpackcli" --pin "${pin[$w]}" "$(wine_path "$(package_file "$w")")" "$(wine_path "$(pinned_target pinned)")")
  }
  declare -A pin
  for w in "${workloads[@]}"; do
    step "extraction with a pin: $w"
    digest=$("$mkpkg" digest "$(package_file "$w")")
    pin[$w]=${digest%% *}
    compare "pin-$w" "$(runs_for "$w")" x_plain x_pinned
    for c in plain pinned; do check_same_tree "$(tree_dir "$w")" "$(pinned_target $c)/1.0"; done
    rm -rf "$bench_dir/target"
  done
  say ""
  say "Extraction with and without the package's SHA-256 (unpackcli --pin; median seconds, peak resident set above the do-nothing process)"
  say "$(printf '  %-6s %9s %9s %13s %7s %7s' workload 'plain s' 'pinned s' 'pinned/plain' 'plain' 'pinned')"
  for w in "${workloads[@]}"; do
    a=${ns[pin-$w/x_plain]} b=${ns[pin-$w/x_pinned]}
    say "$(printf '  %-6s %9s %9s %13s %3s MiB %3s MiB' "$w" "$(seconds "$a")" "$(seconds "$b")" "$(ratio "$b" "$a")" \
      "$(mib $((rss[pin-$w/x_plain] - rss[wine/noop])))" "$(mib $((rss[pin-$w/x_pinned] - rss[wine/noop])))")"
  done
  say ""
  say "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (figures taken while other work ran are noisy)"
  echo "Report saved to $report" >&2
  exit 0
fi

# (Skipped with --startup: extraction, piece size and the size limit.)
if [ $figures = all ]; then
# ------------------------------------------------------------- extraction
target_of() { echo "$bench_dir/target/$1"; }
x_ours() {
  fresh_dir "$(target_of ours)"
  cmd=(wine "$unpackcli" "$(wine_path "$(package_file "$w")")" "$(wine_path "$(target_of ours)")")
}
x_tar() {
  fresh_dir "$(target_of tar)"
  cmd=(tar -xf "$(tar_file "$w")" -C "$(target_of tar)")
}
x_nsis() {
  fresh_dir "$(target_of nsis)"
  cmd=(wine "$(peer_installer "$w")" /S "/D=$(wine_path "$(target_of nsis)")")
}
x_nsis_ncrc() {
  fresh_dir "$(target_of nsis_ncrc)"
  cmd=(wine "$(peer_installer "$w")" /NCRC /S "/D=$(wine_path "$(target_of nsis_ncrc)")")
}
x_dd() {
  fresh_dir "$(target_of dd)"
  cmd=(dd if=/dev/zero of="$(target_of dd)/blob" bs=4M count="${bytes[$w]}" iflag=count_bytes status=none)
}
contenders=(x_ours x_tar x_nsis x_nsis_ncrc x_dd)
for w in "${workloads[@]}"; do
  step "extraction: $w"
  compare "x-$w" "$(runs_for "$w")" "${contenders[@]}"
  for c in ours tar nsis nsis_ncrc; do check_same_tree "$(tree_dir "$w")" "$(target_of $c)/1.0"; done
  rm -rf "$bench_dir/target"
done

say ""
say "Extraction to disk, warm page cache, no fsync (median wall time; the target emptied and synced before each run)"
say "  ours    = unpackcli.exe: TUnPack LoadPackage + Extract, as the installer runs them, under Wine"
say "  nsis    = NSIS uncompressed installer, /S /D=..., under Wine (its default CRC check of itself included)"
say "  ncrc    = the same NSIS installer with /NCRC (CRC check skipped)"
say "  tar     = tar -xf of an uncompressed tar, native;  dd = one sequential write of the same byte count"
say "  ratio X = ours time / X time (below 1: ours is faster)"
for w in "${workloads[@]}"; do
  say ""
  say "  $w: ${files[$w]} files, $(mib $((bytes[$w] / 1024))) MiB"
  say "$(printf '    %-6s %9s %9s %10s %8s' '' seconds 'MB/s' 'files/s' 'ours/X')"
  for c in ours nsis nsis_ncrc tar dd; do
    t=${ns[x-$w/x_$c]}
    f=$(per_s "${files[$w]}" "$t")
    [ $c = dd ] && f=-
    say "$(printf '    %-6s %9s %9s %10s %8s' "${c/nsis_ncrc/ncrc}" "$(seconds "$t")" "$(mb_per_s "${bytes[$w]}" "$t")" "$f" \
      "$(ratio "${ns[x-$w/x_ours]}" "$t")")"
  done
done

say ""
say "Extraction targets"
for w in "${workloads[@]}"; do
  say "  $w: faster than the peer installer (ours/nsis < 1): $(ratio "${ns[x-$w/x_ours]}" "${ns[x-$w/x_nsis]}") $(within "${ns[x-$w/x_ours]}" "${ns[x-$w/x_nsis]}" 0.999999)"
done
say "  large: at least 0.8 of tar -xf speed (tar time / ours time >= 0.8): $(ratio "${ns[x-large/x_tar]}" "${ns[x-large/x_ours]}") $(within "${ns[x-large/x_ours]}" "${ns[x-large/x_tar]}" 1.25)"

say ""
say "Peak resident set of the extracting process (Linux accounting of the Wine process; a do-nothing Wine process: $(mib "${rss[wine/noop]}") MiB)"
say "  target: ours at most 16 MiB above the do-nothing process, whatever the package's size"
for w in "${workloads[@]}"; do
  extra=$((rss[x-$w/x_ours] - rss[wine/noop]))
  say "$(printf '  %-6s ours %7s MiB = do-nothing + %5s MiB %-6s  nsis %6s MiB;  tar %5s MiB' "$w" \
    "$(mib "${rss[x-$w/x_ours]}")" "$(mib $extra)" "$(within "$extra" 16384)" "$(mib "${rss[x-$w/x_nsis]}")" \
    "$(mib "${rss[x-$w/x_tar]}")")"
done

# ------------------------------------------------------------ piece size
# The extractor reads the package this many bytes at a time; the default
# (the "ours" above) was chosen from this comparison.
piece_sizes=(65536 262144 1048576 4194304)
x_piece() {
  fresh_dir "$(target_of ours)"
  cmd=(wine "$unpackcli" --piece-size "$piece" "$(wine_path "$(package_file "$w")")" "$(wine_path "$(target_of ours)")")
}
piece_contenders=()
for piece in "${piece_sizes[@]}"; do
  eval "x_piece_$piece() { piece=$piece; x_piece; }"
  piece_contenders+=("x_piece_$piece")
done
for w in large mix; do
  step "piece size: $w"
  compare "piece-$w" "$(runs_for "$w")" "${piece_contenders[@]}"
  check_same_tree "$(tree_dir "$w")" "$(target_of ours)/1.0"
  rm -rf "$bench_dir/target"
done
say ""
say "Extraction by the size of the pieces the package is read in (unpackcli --piece-size; median seconds, peak resident set above the do-nothing process)"
for w in large mix; do
  line=$(printf '  %-6s' "$w")
  for piece in "${piece_sizes[@]}"; do
    line+=$(printf '  %5s KiB %7s s %5s MiB' $((piece / 1024)) "$(seconds "${ns[piece-$w/x_piece_$piece]}")" \
      "$(mib $((rss[piece-$w/x_piece_$piece] - rss[wine/noop])))")
  done
  say "$line"
done

# ------------------------------------- files replaced, folders entered twice
# New names are made in place; a file that replaces one is written under a
# temporary name and moved into place, what it replaces kept until the
# extraction completes. The cost against the extractor as it was before
# (it wrote every file under a temporary name and reached it again by its
# path), built from that commit, on the small-file workload: into an empty
# target, and over an earlier extraction (every file replaced).
landed_rev=aa78f44
landed_src=$bench_dir/landed-src
if [ "$(cat "$landed_src/.rev" 2>/dev/null)" != $landed_rev ]; then
  rm -rf "$landed_src" && mkdir -p "$landed_src"
  git -C "$root" archive $landed_rev | tar -x -C "$landed_src"
  echo $landed_rev >"$landed_src/.rev"
fi
landed_dir=$bench_dir/landed-$windows_build
(cd "$landed_src" && cmake --preset "$windows_build-programs" -B "$landed_dir" \
  -DSHIPPED_SETUP_EXE="$bench_dir/win/setup/setup.exe" >/dev/null)
cmake --build "$landed_dir" -j2 --target unpackcli >/dev/null
landed_unpackcli=$landed_dir/tools/unpackcli/unpackcli.exe
w=small
x_new() {
  fresh_dir "$(target_of new)"
  cmd=(wine "$unpackcli" "$(wine_path "$(package_file $w)")" "$(wine_path "$(target_of new)")")
}
x_landed() {
  fresh_dir "$(target_of landed)"
  cmd=(wine "$landed_unpackcli" "$(wine_path "$(package_file $w)")" "$(wine_path "$(target_of landed)")")
}
# Over an earlier extraction: the target filled once, then every run replaces it all.
over() { mkdir -p "$(target_of "$1")" && cp -a "$(tree_dir $w)" "$(target_of "$1")/" && sync; }
r_new() { rm -rf "$(target_of new)"; over new; cmd=(wine "$unpackcli" "$(wine_path "$(package_file $w)")" "$(wine_path "$(target_of new)")"); }
r_landed() { rm -rf "$(target_of landed)"; over landed; cmd=(wine "$landed_unpackcli" "$(wine_path "$(package_file $w)")" "$(wine_path "$(target_of landed)")"); }
step "replacing files: new against landed"
compare "swap-new-$w" "$(runs_for $w)" x_new x_landed
check_same_tree "$(tree_dir $w)" "$(target_of new)/1.0"
compare "swap-over-$w" "$(runs_for $w)" r_new r_landed
check_same_tree "$(tree_dir $w)" "$(target_of new)/1.0"
rm -rf "$bench_dir/target"
say ""
say "New files made in place, replacing ones written aside and moved into place (small workload, median seconds)"
say "  landed = unpackcli built from $landed_rev, which wrote every file under a temporary name and reached it again by path"
say "$(printf '    %-28s %9s %9s %8s' '' new landed new/landed)"
say "$(printf '    %-28s %9s %9s %8s' "into an empty target" "$(seconds "${ns[swap-new-$w/x_new]}")" \
  "$(seconds "${ns[swap-new-$w/x_landed]}")" "$(ratio "${ns[swap-new-$w/x_new]}" "${ns[swap-new-$w/x_landed]}")")"
say "$(printf '    %-28s %9s %9s %8s' "over an earlier extraction" "$(seconds "${ns[swap-over-$w/r_new]}")" \
  "$(seconds "${ns[swap-over-$w/r_landed]}")" "$(ratio "${ns[swap-over-$w/r_new]}" "${ns[swap-over-$w/r_landed]}")")"
say "  every file replaced / into an empty target, new: $(ratio "${ns[swap-over-$w/r_new]}" "${ns[swap-new-$w/x_new]}") (target: at most 2)"

# Folders entered twice: the same records in natural order and with every
# second visit after all first ones, the version folder there beforehand so
# that each file is recorded for the take-back.
# Under Wine a name that is missing is looked for through the whole folder
# (its names compare without case), so N new folders in one folder cost N^2
# whatever the extractor does: the counts stay where that does not swamp it.
reentered_count=20000
[ $mode = quick ] && reentered_count=2000
reentered_dir=$data_dir/reentered
mkdir -p "$reentered_dir"
python3 "$root/bench/gen/reentered-folders.py" $reentered_count "$reentered_dir/natural.z" "$reentered_dir/reentered.z"
e_run() {
  fresh_dir "$(target_of "$1")" && mkdir "$(target_of "$1")/1.0"
  cmd=(wine "$unpackcli" "$(wine_path "$reentered_dir/$1.z")" "$(wine_path "$(target_of "$1")")")
}
e_natural() { e_run natural; }
e_reentered() { e_run reentered; }
step "folders entered twice"
compare reentered 3 e_natural e_reentered
rm -rf "$bench_dir/target"

say ""
say "$reentered_count folders each entered twice, every file recorded for the take-back (median seconds; target: at most 2x)"
say "  natural order $(seconds "${ns[reentered/e_natural]}") s, second visits after all first ones $(seconds "${ns[reentered/e_reentered]}") s:" \
  "ratio $(ratio "${ns[reentered/e_reentered]}" "${ns[reentered/e_natural]}") $(within "${ns[reentered/e_reentered]}" "${ns[reentered/e_natural]}" 2)"

# ----------------------------------------------- a package at the size limit
# One byte under 2 GiB: a version folder with one file of zeros, made sparse
# (only its records are written), and the leave record as its last byte.
step "a package at the size limit"
limit_package=$data_dir/limit/data.z
if [ ! -f "$limit_package" ]; then
  mkdir -p "$data_dir/limit"
  limit_size=$((2 ** 31 - 1))
  # (Kept as printf escapes: a shell variable cannot hold a zero byte.)
  records='\x02\x00\x00\x00app.exe\x00Bench limit\x00Bench\x00\x00\x00\x00\x00\x001.0\x00\x02app.exe\x00'
  # shellcheck disable=SC2059
  printf "$records" >"$limit_package.part"
  data_size=$((limit_size - $(stat -c %s "$limit_package.part") - 4 - 1))
  # shellcheck disable=SC2059
  printf "$(printf '\\x%02x' $((data_size & 255)) $((data_size >> 8 & 255)) $((data_size >> 16 & 255)) $((data_size >> 24)))" \
    >>"$limit_package.part"
  truncate -s $((limit_size - 1)) "$limit_package.part"
  printf '\x01' >>"$limit_package.part"
  mv "$limit_package.part" "$limit_package"
fi
fresh_dir "$(target_of ours)"
time_command wine "$unpackcli" "$(wine_path "$limit_package")" "$(wine_path "$(target_of ours)")"
limit_file=$(target_of ours)/1.0/app.exe
limit_data=$(stat -c %s "$limit_file")
cmp -s -n "$limit_data" "$limit_file" /dev/zero || { echo "bench: $limit_file is not the package's data" >&2; exit 1; }
rm -rf "$bench_dir/target"
say ""
say "A package one byte under 2 GiB (one file of $limit_data bytes): extracted in $(seconds "$last_ns") s," \
  "peak resident set $(mib "$last_rss_kib") MiB = do-nothing + $(mib $((last_rss_kib - rss[wine/noop]))) MiB" \
  "$(within $((last_rss_kib - rss[wine/noop])) 16384)"

fi
if [ ! -f "$setup_exe" ]; then
  say ""
  say "setup.exe was not built: no start-up and size figures."
  exit 0
fi

# ---------------------------------------------------------------- start-up
step "start-up to the first painted window"
# A release's setup.exe names its package by its SHA-256 and reads it whole
# before its window shows: the same build, given the mix package's digest.
pinned_digest=$("$mkpkg" digest "$(package_file mix)")
pinned_dir=$bench_dir/$windows_build-pinned
if [[ $windows_build == win64 ]]; then
  configure_build "$pinned_dir" win64-programs -DSHIPPED_SETUP_EXE="$shipped_setup_exe" -DPACKAGE_SHA256="${pinned_digest%% *}"
else
  configure_build "$pinned_dir" win-programs -DPACKAGE_SHA256="${pinned_digest%% *}"
fi
cmake --build "$pinned_dir" -j2 --target setup >/dev/null
startup_dir=$bench_dir/startup
rm -rf "$startup_dir"
for w in tiny mix; do
  mkdir -p "$startup_dir/ours-$w" "$startup_dir/nsis-$w"
  cp "$setup_exe" "$startup_dir/ours-$w/setup.exe"
  ln -f "$(package_file "$w")" "$startup_dir/ours-$w/data.z"
  ln -f "$(peer_installer "$w")" "$startup_dir/nsis-$w/setup.exe"
done
mkdir -p "$startup_dir/pinned-mix"
cp "$pinned_dir/setup/setup.exe" "$startup_dir/pinned-mix/setup.exe"
ln -f "$(package_file mix)" "$startup_dir/pinned-mix/data.z"
mkdir -p "$startup_dir/blank"
# Start-up times under Wine spread by a fifth from run to run: many rounds,
# each starting with the next program (as in compare).
startup_runs=$([ $mode = quick ] && echo 3 || echo 21)
# pinned-main and nsis-main: the pinned setup.exe and NSIS until their own
# windows (not their progress) show.
startup_programs=(blank ours-tiny nsis-tiny ours-mix nsis-mix pinned-mix pinned-main nsis-main)
declare -A startup_samples startup_window
for ((round = 0; round < startup_runs; round++)); do
  for ((turn = 0; turn < ${#startup_programs[@]}; turn++)); do
    program=${startup_programs[(round + turn) % ${#startup_programs[@]}]}
    dir=$startup_dir/${program/-main/-mix}
    if [ $program = blank ]; then exe=$baseline args=(blankwindow); else exe=$dir/setup.exe args=(); fi
    case $program in
      pinned-main) wanted=(FIRSTWINDOW_CLASS=TSetupForm) ;;
      nsis-main) wanted=("FIRSTWINDOW_TITLE=Bench Setup") ;;
      *) wanted=() ;;
    esac
    line=$(env ${wanted[@]+"${wanted[@]}"} wine "$firstwindow" 1 "$(wine_path "$dir")" "$(wine_path "$exe")" "${args[@]}" | tr -d '\r')
    startup_samples[$program]+=" ${line%% *}"
    startup_window[$program]=${line#* }
  done
done
declare -A startup_ms
for program in "${!startup_samples[@]}"; do
  # shellcheck disable=SC2086
  startup_ms[$program]=$(printf '%s\n' ${startup_samples[$program]} | sort -n | sed -n "$(( (startup_runs + 1) / 2 ))p")
done
say ""
say "Start-up: CreateProcess to the first visible, fully painted top-level window, under Wine (median of $startup_runs)"
for program in "${startup_programs[@]}"; do
  say "$(printf '  %-11s %8s ms   window: %s' "$program" "${startup_ms[$program]}" "${startup_window[$program]}")"
done
say "  (pinned = setup.exe built with the mix package's SHA-256, which it checks before its window: its first window is"
say "   the check's progress once that takes $(sed -n 's/.*DelayMs = \([0-9]*\);/\1/p' "$root/setupform/LoadProgress.h") ms, as NSIS shows its check's;"
say "   pinned-main and nsis-main wait for each one's own window, after the whole package is checked)"
for w in tiny mix; do
  say "  $w: ours no slower than the peer (ours/nsis <= 1): $(ratio "${startup_ms[ours-$w]}" "${startup_ms[nsis-$w]}") $(within "${startup_ms[ours-$w]}" "${startup_ms[nsis-$w]}")"
done
say "  ours with the 500 MiB package (mix) within 10 % of ours with the tiny one (mix/tiny <= 1.10): $(ratio "${startup_ms[ours-mix]}" "${startup_ms[ours-tiny]}") $(within "${startup_ms[ours-mix]}" "${startup_ms[ours-tiny]}" 1.10)"
say "  mix, pinned: first window no slower than the peer's (pinned/nsis <= 1): $(ratio "${startup_ms[pinned-mix]}" "${startup_ms[nsis-mix]}") $(within "${startup_ms[pinned-mix]}" "${startup_ms[nsis-mix]}")"
say "  mix, pinned: its own window no later than the peer's (pinned-main/nsis-main <= 1): $(ratio "${startup_ms[pinned-main]}" "${startup_ms[nsis-main]}") $(within "${startup_ms[pinned-main]}" "${startup_ms[nsis-main]}")"

# --------------------------------------------------- a hostile package
step "a hostile package: one unterminated name of 256 MiB"
say ""
bash "$root/bench/hostile-name.sh" "$run_dir" 2>&1 | tee -a "$report"

# -------------------------------------------------------------------- size
stub=/usr/share/nsis/Stubs/zlib-x86-ansi
ours_size=$(stat -c %s "$shipped_setup_exe")
stub_size=$(stat -c %s "$stub")
say ""
say "Size of the shipped 32-bit setup.exe ($shipped_setup_exe): $ours_size bytes, NSIS x86 ANSI stub ($stub) $stub_size bytes: ratio $(ratio "$ours_size" "$stub_size") $(within "$ours_size" "$((stub_size - 1))")"
say "  setup.exe imports: $(i686-w64-mingw32-objdump -p "$shipped_setup_exe" | awk '/DLL Name/ { printf "%s ", $3 }')"
sections() {
  local index name size rest list=
  while read -r index name size rest; do
    [[ $index =~ ^[0-9]+$ && $name != .bss ]] && list+="$name $((16#$size)), "
  done < <(i686-w64-mingw32-objdump -h "$1")
  echo "${list%, }"
}
say "  setup.exe sections (bytes): $(sections "$shipped_setup_exe")"
if [ -f "$sizefloor" ]; then
  say "  the same build of a program that only throws and catches one exception (sizefloor.exe): $(stat -c %s "$sizefloor") bytes"
  say "  its sections: $(sections "$sizefloor")"
fi

say ""
say "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (figures taken while other work ran are noisy)"
echo >&2
echo "Report saved to $report" >&2
