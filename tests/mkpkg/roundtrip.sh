#!/usr/bin/env bash
# Packages made by mkpkg, read back by the installer's own TUnPack
# (unpackcli.exe) under Wine with the Russian code page 1251.
#   roundtrip.sh CASE WIN_BUILD_DIR NATIVE_MKPKG
# CASE: tree          a tree of every kind of entry comes back byte for byte
#       example       the bundled example product comes back whole
#       windows-tool  mkpkg.exe makes the same bytes as the native mkpkg, and digests them alike
#       damaged       mkpkg verify and the installer's loader agree
# Needs the Wine prefix that scripts/test.sh prepares.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
case=$1
build=$(cd "$2" && pwd)
mkpkg=$3
source "$root/scripts/wine-env.sh" "$build"
unpackcli=$build/tools/unpackcli/unpackcli.exe
work=$(mktemp -d "$build/roundtrip-$case.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# extract PACKAGE DIR: runs the installer's loader and extractor.
extract() { wine_russian "$unpackcli" "$(wine_path "$1")" "$(wine_path "$2")"; }

# Same names (Cyrillic included), contents, empty files and empty folders.
same_tree() { diff -r --no-dereference "$1" "$2" >&2 || fail "$2 differs from $1"; }

# A version folder with every kind of entry a product may hold.
make_fixture() {
  local v=$1 deep
  mkdir -p "$v"
  head -c 4097 /dev/urandom >"$v/Setup-Key.EXE"
  : >"$v/empty.dat"
  mkdir -p "$v/empty folder"
  deep="$v/a/b/c/d/e/f/g/h/i/j/k/l"
  mkdir -p "$deep" "$v/a/b/c/empty inside"
  head -c $((1024 * 1024 + 1)) /dev/urandom >"$deep/deep.bin"  # past one copy chunk
  printf '\x00\x01\x02\xff\x00' >"$v/kindlike.bin"
  echo hidden >"$v/.hidden"
  echo notes >"$v/v1.2.notes"
  echo space >"$v/with space.txt"
  printf 'x%.0s' $(seq 200) >"$v/$(printf 'n%.0s' $(seq 200)).txt"
  mkdir -p "$v/Документы"
  echo "годовой отчёт" >"$v/Документы/Отчёт за год.txt"
  echo upper >"$v/Документы/ПРОПИСНЫЕ.TXT"
  mkdir -p "$v/MANUAL/English" "$v/MANUAL/Russian"
  echo '%PDF-1.4' >"$v/MANUAL/English/manual.pdf"
  echo '%PDF-1.4' >"$v/MANUAL/Russian/manual.pdf"
}

make_args=(--title "Проба 2.5" --folder Proba --key setup-key.exe --codepage 1251 --quiet)

case $case in
tree)
  make_fixture "$work/src/2.5"
  "$mkpkg" make "$work/src/2.5" -o "$work/data.z" "${make_args[@]}"
  "$mkpkg" verify "$work/data.z" >/dev/null
  out=$(extract "$work/data.z" "$work/target") || fail "unpackcli reported a problem"
  same_tree "$work/src/2.5" "$work/target/2.5"
  grep -qx 'RootDirName: 2.5' <<<"$out" || fail "version folder: $out"
  grep -qF 'KeyFilePath: Z:' <<<"$out" && grep -qF '\target\2.5\Setup-Key.EXE' <<<"$out" || fail "key file: $out"
  ;;

example)
  MKPKG=$mkpkg bash "$root/scripts/pack-example.sh" "$build" "$work/data.z" >/dev/null
  out=$(extract "$work/data.z" "$work/target") || fail "unpackcli reported a problem"
  cmp "$build/examples/quorvix/QuorvixForge.exe" "$work/target/1.0/QuorvixForge.exe" || fail "the program differs"
  rm "$work/target/1.0/QuorvixForge.exe"
  same_tree "$root/examples/quorvix/tree" "$work/target/1.0"
  [ -f "$work/target/1.0/Прочти меня.txt" ] || fail "the Cyrillic name did not come back"
  grep -qF '\target\1.0\QuorvixForge.exe' <<<"$out" || fail "key file: $out"
  ;;

windows-tool)
  make_fixture "$work/src/2.5"
  "$mkpkg" make "$work/src/2.5" -o "$work/native.z" "${make_args[@]}"
  win_mkpkg=("$build/tools/mkpkg/mkpkg.exe" make "$(wine_path "$work/src/2.5")" -o "$(wine_path "$work/win.z")")
  wine_russian "${win_mkpkg[@]}" "${make_args[@]}"
  cmp "$work/native.z" "$work/win.z" || fail "mkpkg.exe and mkpkg made different packages"
  # Windows' SHA-256 and the native one agree (a Windows path is escaped, as sha256sum escapes a backslash).
  win_digest=$(wine_russian "$build/tools/mkpkg/mkpkg.exe" digest "$(wine_path "$work/win.z")" | sed 's/^\\//; s/ .*//')
  [[ $win_digest == "$(sha256sum <"$work/native.z" | cut -d' ' -f1)" ]] || fail "mkpkg.exe digest gives $win_digest"
  # Again over the existing file, then a refusal that must leave it alone.
  wine_russian "${win_mkpkg[@]}" "${make_args[@]}"
  cmp "$work/native.z" "$work/win.z" || fail "mkpkg.exe did not replace its package"
  if wine_russian "${win_mkpkg[@]}" "${make_args[@]}" --key gone.exe 2>"$work/err"; then fail "missing key accepted"; fi
  grep -qF 'mkpkg: the key file "gone.exe" is not in' "$work/err" || fail "message: $(cat "$work/err")"
  cmp "$work/native.z" "$work/win.z" || fail "a refused make touched the package"
  [ "$(ls -A "$work" | wc -l)" = 4 ] || fail "files left behind: $(ls -A "$work")"
  ;;

damaged)
  mkdir -p "$work/src/1.0/doc"
  printf abc >"$work/src/1.0/doc/readme.txt"
  head -c 200 /dev/urandom >"$work/src/1.0/demo.exe"
  "$mkpkg" make "$work/src/1.0" -o "$work/good.z" --title "Demo 1.0" --folder Demo --key demo.exe --quiet 2>/dev/null
  good=$(od -An -v -tx1 "$work/good.z" | tr -d ' \n')
  header='02000000'$(printf 'nothere.exe' | od -An -tx1 | tr -d ' \n')'00''5400''4600''00000000'
  evil_header='02000000'$(printf 'demo.exe' | od -An -tx1 | tr -d ' \n')'00''5400''4600''00000000'
  # name | package bytes in hex | verify's exit | unpackcli's exit
  cases=(
    "sound|$good|0|0"
    "cut inside a file|${good:0:400}|1|1"
    "version 3|03${good:2}|1|1"
    "empty file||1|1"
    "unknown record kind|${good}0a|1|1"
    "key file missing|${header}00312e300001|1|1"
    "climbing name|${evil_header}022e2e5c6576696c2e74787400010000007802|1|1"
    "negative size|${evil_header}02612e74787400ffffffff|1|1"
    "last leave missing|${good:0:-2}|1|0"
  )
  for entry in "${cases[@]}"; do
    IFS='|' read -r name hex want_verify want_load <<<"$entry"
    package=$work/case.z
    printf '%s' "$hex" | sed 's/../\\x&/g' | xargs -0 printf '%b' >"$package"
    rm -rf "$work/target" "$work/evil.txt"
    set +e
    "$mkpkg" verify "$package" >/dev/null 2>&1
    got_verify=$?
    extract "$package" "$work/target" >/dev/null 2>&1
    got_load=$?
    set -e
    echo "$name: verify $got_verify, installer $got_load"
    [ "$got_verify" = "$want_verify" ] && [ "$got_load" = "$want_load" ] ||
      fail "$name: expected verify $want_verify and installer $want_load"
    [ ! -e "$work/evil.txt" ] || fail "$name: a file was written above the target"
  done
  ;;

*)
  echo "usage: $0 tree|example|windows-tool|damaged WIN_BUILD_DIR NATIVE_MKPKG" >&2
  exit 2
  ;;
esac
echo "roundtrip $case: ok"
