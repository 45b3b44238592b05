# Sourced by bench/run.sh: the workloads' trees, packages, archives and peer
# installers, made once under $data_dir and reused while they are complete.

# Writes the tree of workload $1 into $data_dir/$1/1.0 unless the one there
# was made from the same recipe (the generator's listing of it); sets
# files[$1] and bytes[$1]. A new tree makes its package, archive and peer
# installer stale: they are removed with it.
declare -A files bytes
make_tree() {
  local w=$1 recipe
  recipe=$("$gentree" --list "$w" $quick_flag | md5sum | cut -d' ' -f1)
  if [ "$(cat "$data_dir/$w/recipe" 2>/dev/null)" != "$recipe" ]; then
    rm -rf "${data_dir:?}/$w"
    mkdir -p "$data_dir/$w"
    "$gentree" "$w" "$data_dir/$w/1.0" $quick_flag >"$data_dir/$w/tree.txt"
    echo "$recipe" >"$data_dir/$w/recipe"
  fi
  read -r "files[$w]" "bytes[$w]" <"$data_dir/$w/tree.txt"
}

tree_dir() { echo "$data_dir/$1/1.0"; }
package_file() { echo "$data_dir/$1/data.z"; }
tar_file() { echo "$data_dir/$1/tree.tar"; }
peer_installer() { echo "$data_dir/$1/peer-setup-$nsis_target.exe"; }

# The same tree as an uncompressed NSIS installer.
make_peer_installer() {
  local w=$1 out
  out=$(peer_installer "$w")
  [ -f "$out" ] && return
  makensis -V1 -DTARGET="$nsis_target" -DSOURCE="$(tree_dir "$w")" -DOUTFILE="$out.part" "$root/bench/lib/peer-installer.nsi" >/dev/null
  mv "$out.part" "$out"
}

# Fails unless directory $2 holds exactly the tree $1.
check_same_tree() {
  if ! diff -rq "$1" "$2" >/dev/null; then
    echo "bench: $2 differs from $1" >&2
    exit 1
  fi
}
