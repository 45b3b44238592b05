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
# Icons a build refuses: a header with no images, one image of 16 x 16.
printf '\0\0\1\0\0\0' >"$cases/no-images.ico"
convert -size 16x16 xc:'#2060c0' "$cases/small.ico" || { echo "cannot make an icon" >&2; exit 1; }

# expect NAME STATUS MESSAGE ARGUMENTS...: runs release.sh with the title,
# folder, code page, build folder and OUT, then ARGUMENTS, and checks the
# outcome (an empty MESSAGE: none looked for). An OUT made before the call
# must stay as it was. With `interrupt` set, the run is its own process
# group, sent SIGTERM (a job cancelled; a script's background job ignores
# SIGINT) once the file $interrupt exists.
interrupt=
expect() {
  local name=$1 expected_status=$2 message=$3
  shift 3
  local out=$cases/$name/out
  mkdir -p "$cases/$name"
  local before=
  [ ! -e "$out" ] || before=$(cd "$out" && ls -lA && cat ./* 2>/dev/null)

  local release=(bash "$root/scripts/release.sh" --title "Quorvix Forge 1.0" --folder QuorvixForge
    --codepage 1251 --build-dir "$work/build" -o "$out" "$@")
  local actual
  if [ -n "$interrupt" ]; then
    setsid "${release[@]}" >"$cases/$name/stdout" 2>"$cases/$name/stderr" &
    local group=$!
    # Bounded only so that a broken run cannot hang the test.
    for _ in $(seq 600); do [ -e "$interrupt" ] || ! kill -0 "$group" 2>/dev/null && break; sleep 0.2; done
    kill -TERM -- "-$group" 2>/dev/null
    wait "$group"
    actual=$?
  else
    "${release[@]}" >"$cases/$name/stdout" 2>"$cases/$name/stderr"
    actual=$?
  fi
  local problems=()
  ((actual == expected_status)) || problems+=("exit status $actual, not $expected_status")
  [ -z "$message" ] || grep -qF -- "$message" "$cases/$name/stderr" || problems+=("no message \"$message\"")
  if [ -n "$before" ]; then
    [[ $(cd "$out" 2>/dev/null && ls -lA && cat ./* 2>/dev/null) == "$before" ]] ||
      problems+=("the OUT that was there changed")
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
expect no-settings-file 1 "release: no settings file" "$product" "${key[@]}" --settings "$cases/none.cmake"
expect certificate-unreadable 1 "release: cannot read the certificate" "$product" "${key[@]}" \
  --sign "$cases/none.p12"
expect password-file-without-sign 2 "release: --password-file without --sign" "$product" "${key[@]}" \
  --password-file "$work/vendor/password"
expect key-not-in-the-tree 1 "release: making data.z from $product failed" "$product" --key Missing.exe
# Settings a build refuses: the vendor's, each with one thing wrong.
# case | sed expression that spoils the vendor's settings | what the refusal names
# [| the reason given]
while IFS='|' read -r name edit named reason; do
  sed "$edit" "$work/vendor/settings.cmake" >"$cases/$name.cmake"
  expect "$name" 1 "release: building setup.exe ($work/build/win) failed" "$product" "${key[@]}" \
    --settings "$cases/$name.cmake"
  grep -qF "product settings: $named" "$cases/$name/stderr" ||
    { echo "FAILED $name: the refusal does not name $named" >&2; status=1; }
  # CMake folds its messages' lines.
  [ -z "$reason" ] || tr -s ' \n' ' ' <"$cases/$name/stderr" | grep -qF -- "$reason" ||
    { echo "FAILED $name: the refusal does not say $reason" >&2; status=1; }
done <<'EOF'
home-page-not-an-address|s#^set(PRODUCT_HOME_PAGE_ENGLISH .*#set(PRODUCT_HOME_PAGE_ENGLISH "www.vendor.example/en/")#|PRODUCT_HOME_PAGE_ENGLISH in
company-with-a-quote|s#^set(PRODUCT_COMPANY .*#set(PRODUCT_COMPANY "Vendor \\"Best\\" Ltd")#|PRODUCT_COMPANY in
name-with-a-backslash|s#^set(PRODUCT_NAME .*#set(PRODUCT_NAME "Vendor\\\\Writer")#|PRODUCT_NAME in
company-with-a-tab|s#^set(PRODUCT_COMPANY .*#set(PRODUCT_COMPANY "Vendor\\tLtd")#|PRODUCT_COMPANY in
copyright-with-a-line-break|s#^set(PRODUCT_COPYRIGHT .*#set(PRODUCT_COPYRIGHT "2026\\nVendor")#|PRODUCT_COPYRIGHT in
home-page-with-a-quote|s#^set(PRODUCT_HOME_PAGE_RUSSIAN .*#set(PRODUCT_HOME_PAGE_RUSSIAN "https://vendor.example/\\"ru")#|PRODUCT_HOME_PAGE_RUSSIAN in
home-page-with-a-backslash|s#^set(PRODUCT_HOME_PAGE_RUSSIAN .*#set(PRODUCT_HOME_PAGE_RUSSIAN "https://vendor.example\\\\ru/")#|PRODUCT_HOME_PAGE_RUSSIAN in
name-missing|/^set(PRODUCT_NAME /d|PRODUCT_NAME in
icon-not-an-icon|s#vendor.ico#icon-not-an-icon.cmake#|PRODUCT_ICON in
icon-naming-no-file|s#vendor.ico#missing.ico#|PRODUCT_ICON in|names no file
icon-without-images|s#vendor.ico#no-images.ico#|PRODUCT_ICON in|is not an icon file
icon-without-32-by-32|s#vendor.ico#small.ico#|PRODUCT_ICON in|holds no 32 x 32 image
link-name-with-a-colon|s#^set(PRODUCT_PROGRAM_LINK_NAME .*#set(PRODUCT_PROGRAM_LINK_NAME "Quorvix:Forge")#|PRODUCT_PROGRAM_LINK_NAME in
link-name-of-another-link|s#^set(PRODUCT_PROGRAM_LINK_NAME .*#set(PRODUCT_PROGRAM_LINK_NAME "manual")#|PRODUCT_PROGRAM_LINK_NAME in
link-name-made-from-a-name-beyond-ascii|/^set(PRODUCT_PROGRAM_LINK_NAME /d;s#^set(PRODUCT_NAME .*#set(PRODUCT_NAME "Вендор Райтер")#|PRODUCT_PROGRAM_LINK_NAME in|made from PRODUCT_NAME
link-description-with-a-quote|s#^set(PRODUCT_PROGRAM_LINK_DESCRIPTION .*#set(PRODUCT_PROGRAM_LINK_DESCRIPTION "The \\"Forge\\"")#|PRODUCT_PROGRAM_LINK_DESCRIPTION in
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

# Steps after the build that fail: programs of the same names first on PATH.
# mkpkg is the release build's own: its verify is made to fail in place and
# put back.
fakes=$cases/fake-bin
mkdir -p "$fakes"
mkpkg=$work/build/native/tools/mkpkg/mkpkg
mv "$mkpkg" "$mkpkg.real"
trap 'mv "$mkpkg.real" "$mkpkg"' EXIT
printf '#!/bin/sh\n[ "$1" = verify ] && { echo "mkpkg: refused by the test" >&2; exit 1; }\nexec "$0.real" "$@"\n' >"$mkpkg"
chmod +x "$mkpkg"
touch -r "$mkpkg.real" "$mkpkg"  # as new as the build left it: not linked again
expect verify-refuses 1 "release: checking data.z failed" "$product" "${key[@]}"
mv "$mkpkg.real" "$mkpkg"
trap - EXIT
for program in zip xorriso; do
  printf '#!/bin/sh\necho "%s: refused by the test" >&2\nexit 1\n' "$program" >"$fakes/$program"
  chmod +x "$fakes/$program"
done
PATH=$fakes:$PATH expect zip-fails 1 "release: writing QuorvixForge-1.0.zip failed" "$product" "${key[@]}"
rm "$fakes/zip"
PATH=$fakes:$PATH expect disc-image-fails 1 "release: writing QuorvixForge-1.0.iso" "$product" "${key[@]}"
rm "$fakes/xorriso"
# Interrupted while the zip is written (a zip that waits to be stopped).
printf '#!/bin/sh\ntouch "%s"\nexec sleep 600\n' "$cases/zip-started" >"$fakes/zip"
chmod +x "$fakes/zip"
interrupt=$cases/zip-started PATH=$fakes:$PATH expect interrupted 1 "" "$product" "${key[@]}"
rm "$fakes/zip"
# The final move fails (a mv that refuses -T): an empty OUT that was there stays.
printf '#!/bin/sh\n[ "$1" = -T ] && { echo "mv: refused by the test" >&2; exit 1; }\nexec /bin/mv "$@"\n' >"$fakes/mv"
chmod +x "$fakes/mv"
mkdir -p "$cases/final-move-fails/out"
PATH=$fakes:$PATH expect final-move-fails 1 "release: cannot move the release into" "$product" "${key[@]}"
[ -d "$cases/final-move-fails/out" ] || { echo "FAILED final-move-fails: the empty OUT is gone" >&2; status=1; }
exit $status
