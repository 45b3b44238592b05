#!/usr/bin/env bash
# The release command's failures: each gives its reason, exit status 1 (2
# for a wrong command line) and leaves no OUT and no staging folder behind;
# an OUT that was there already is left as it was. Runs after
# release-test.sh, whose product tree, vendor files and build folder it uses.
#   release-failures-test.sh WORK
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$1
cases=$work/failures
rm -rf "$cases"
mkdir -p "$cases"
status=0

cp "$work/vendor/vendor.ico" "$cases/"  # the bad settings' icon, beside them
printf 'not the password\n' >"$cases/wrong-password"

# expect NAME STATUS MESSAGE ARGUMENTS...: runs release.sh with the title,
# folder, code page, build folder and OUT, then ARGUMENTS, and checks the
# outcome. An OUT made before the call must stay as it was.
expect() {
  local name=$1 expected_status=$2 message=$3
  shift 3
  local out=$cases/$name/out
  mkdir -p "$cases/$name"
  local before=
  [ ! -e "$out" ] || before=$(cd "$out" && ls -lA && cat ./*)

  bash "$root/scripts/release.sh" --title "Quorvix Forge 1.0" --folder QuorvixForge \
    --codepage 1251 --build-dir "$work/build" -o "$out" "$@" >"$cases/$name/stdout" 2>"$cases/$name/stderr"
  local actual=$?
  local problems=()
  ((actual == expected_status)) || problems+=("exit status $actual, not $expected_status")
  grep -qF -- "$message" "$cases/$name/stderr" || problems+=("no message \"$message\"")
  if [ -n "$before" ]; then
    [[ $(cd "$out" && ls -lA && cat ./*) == "$before" ]] || problems+=("the OUT that was there changed")
  else
    [ ! -e "$out" ] || problems+=("OUT was made")
  fi
  [[ -z $(find "$cases/$name" -maxdepth 1 -name '.release.*') ]] || problems+=("a staging folder was left")
  if ((${#problems[@]})); then
    printf 'FAILED %s: %s\n' "$name" "${problems[*]}" >&2
    sed 's/^/  | /' "$cases/$name/stderr" >&2
    status=1
  else
    echo "ok $name: $(grep -m1 -F -- "$message" "$cases/$name/stderr")"
  fi
}

product=$work/product/1.0
key=(--key QuorvixForge.exe)
expect no-product-folder 1 "release: no product folder" "${key[@]}" "$cases/none"
expect key-not-in-the-tree 1 "release: making data.z from $product failed" "$product" --key Missing.exe
# Settings a build refuses: the vendor's, each with one thing wrong.
# case | sed expression that spoils the vendor's settings | what the refusal names
while IFS='|' read -r name edit named; do
  sed "$edit" "$work/vendor/settings.cmake" >"$cases/$name.cmake"
  expect "$name" 1 "release: building setup.exe ($work/build/win) failed" "$product" "${key[@]}" \
    --settings "$cases/$name.cmake"
  grep -qF "product settings: $named" "$cases/$name/stderr" ||
    { echo "FAILED $name: the refusal does not name $named" >&2; status=1; }
done <<'EOF'
home-page-not-an-address|s#^set(PRODUCT_HOME_PAGE_ENGLISH .*#set(PRODUCT_HOME_PAGE_ENGLISH "www.vendor.example/en/")#|PRODUCT_HOME_PAGE_ENGLISH in
company-with-a-quote|s#^set(PRODUCT_COMPANY .*#set(PRODUCT_COMPANY "Vendor \\"Best\\" Ltd")#|PRODUCT_COMPANY in
name-missing|/^set(PRODUCT_NAME /d|PRODUCT_NAME in
icon-not-an-icon|s#vendor.ico#icon-not-an-icon.cmake#|PRODUCT_ICON in
EOF
expect wrong-certificate-password 1 \
  "release: signing setup.exe with $work/vendor/certificate.p12 (no time stamp) failed" "$product" "${key[@]}" \
  --sign "$work/vendor/certificate.p12" --password-file "$cases/wrong-password"
mkdir -p "$cases/out-not-empty/out" && echo "the vendor's own file" >"$cases/out-not-empty/out/mine.txt"
# The later -o counts.
expect out-inside-the-product 1 "lies inside the product folder" "$product" "${key[@]}" -o "$product/release"
[ ! -e "$product/release" ] || { echo "FAILED out-inside-the-product: OUT was made" >&2; status=1; }
expect out-not-empty 1 "is not an empty folder: remove it or name another" "$product" "${key[@]}"
expect no-key 2 "usage" "$product"
# A second release with the same build folder waits for the first (here a
# holder of its lock) before it builds anything.
# The holder lets go once the release says it waits (or after two minutes,
# when the release then fails the check below).
waiting="release: waiting for another release that uses $work/build"
mkdir -p "$cases/waits-for-the-build-folder"
: >"$cases/waits-for-the-build-folder/stdout"
exec {held}>"$work/build/.lock"
flock "$held"
(
  for _ in $(seq 1200); do
    grep -qF "$waiting" "$cases/waits-for-the-build-folder/stdout" 2>/dev/null && break
    sleep 0.1
  done
  flock -u "$held"
) &
releaser=$!
exec {held}>&-
expect waits-for-the-build-folder 1 "release: making data.z from $product failed" "$product" --key Missing.exe
wait "$releaser"
grep -qF "$waiting" "$cases/waits-for-the-build-folder/stdout" ||
  { echo "FAILED waits-for-the-build-folder: it did not wait for the folder's lock" >&2; status=1; }
exit $status
