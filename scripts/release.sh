#!/usr/bin/env bash
# Makes a release of a product: its setup.exe (built with the product's
# settings and the SHA-256 of the data.z it installs, signed when a
# certificate is given) and its data.z side by side
# in OUT, with a .zip of the two and an ISO 9660 + Joliet disc image.
#
#   scripts/release.sh PRODUCT_DIR --title TEXT --folder NAME --key FILE -o OUT
#       [--settings FILE] [--sign CERT.p12 [--password-file FILE]]
#       [--codepage N] [--required BYTES] [--build-dir DIR]
#
# PRODUCT_DIR is the version folder (its last component, e.g. 1.0, is the
# version); --title, --folder, --key, --codepage and --required go to
# `mkpkg make`. --settings names the product settings file (default: the
# example product's, examples/quorvix/product.cmake). --sign signs setup.exe
# with the PKCS#12 certificate, whose password is the first line of
# --password-file (none without it); no time stamp is added.
#
# OUT must not exist or be empty. Everything is made in a folder beside it
# and put in place only when every step has succeeded, so a failure leaves no
# OUT behind. Exit status: 0 success, 1 a step failed (the reason on stderr),
# 2 a wrong command line.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  echo "usage: $0 PRODUCT_DIR --title TEXT --folder NAME --key FILE -o OUT" >&2
  echo "         [--settings FILE] [--sign CERT.p12 [--password-file FILE]]" >&2
  echo "         [--codepage N] [--required BYTES] [--build-dir DIR]" >&2
  exit 2
}
fail() {
  echo "release: $*" >&2
  exit 1
}

product_dir= title= folder= key= out= settings=$root/examples/quorvix/product.cmake
certificate= password_file= build_dir=$root/build/release
codepage=() required=()
while (($#)); do
  case $1 in
    --title | --folder | --key | -o | --settings | --sign | --password-file | --codepage | --required | --build-dir)
      (($# >= 2)) || { echo "release: $1 needs a value" >&2; usage; }
      case $1 in
        --title) title=$2 ;;
        --folder) folder=$2 ;;
        --key) key=$2 ;;
        -o) out=$2 ;;
        --settings) settings=$2 ;;
        --sign) certificate=$2 ;;
        --password-file) password_file=$2 ;;
        --codepage) codepage=(--codepage "$2") ;;
        --required) required=(--required "$2") ;;
        --build-dir) build_dir=$2 ;;
      esac
      shift 2
      ;;
    -*) echo "release: unknown option $1" >&2; usage ;;
    *)
      [ -z "$product_dir" ] || { echo "release: one product folder only" >&2; usage; }
      product_dir=$1
      shift
      ;;
  esac
done
[ -n "$product_dir" ] && [ -n "$title" ] && [ -n "$folder" ] && [ -n "$key" ] && [ -n "$out" ] || usage
[ -z "$password_file" ] || [ -n "$certificate" ] || { echo "release: --password-file without --sign" >&2; usage; }

# What can be checked before anything is built.
[ -d "$product_dir" ] || fail "no product folder $product_dir"
[ -f "$settings" ] || fail "no settings file $settings"
[ -z "$certificate" ] || [ -r "$certificate" ] || fail "cannot read the certificate $certificate"
[ -z "$password_file" ] || [ -r "$password_file" ] || fail "cannot read the password file $password_file"
if [ -e "$out" ] && { [ ! -d "$out" ] || [ -n "$(ls -A "$out")" ]; }; then
  fail "$out already exists and is not an empty folder: remove it or name another"
fi
# Absolute paths: the steps run in other folders.
product_dir=$(realpath "$product_dir")
settings=$(realpath "$settings")
out=$(realpath -m "$out")
build_dir=$(realpath -m "$build_dir")
# mkpkg would pack the release into itself.
case $out/ in "$product_dir"/*) fail "$out lies inside the product folder $product_dir" ;; esac
version=$(basename "$product_dir")
name="$folder-$version"
# The disc's label: ISO 9660 allows 32 of A-Z, 0-9 and _.
label=$(tr '[:lower:]' '[:upper:]' <<<"$name" | tr -c 'A-Z0-9_\n' '_' | cut -c1-32)

bash "$root/scripts/install-deps.sh"
mkdir -p "$(dirname "$out")" "$build_dir"
# Two releases with one build folder would build over each other, and one
# could ship the other's setup.exe: a second one waits for the first.
exec {build_lock}>"$build_dir/.lock"
if ! flock -n "$build_lock"; then
  echo "release: waiting for another release that uses $build_dir"
  flock "$build_lock"
fi
stage=$(mktemp -d "$(dirname "$out")/.release.XXXXXX")
log=$stage/.log
trap 'rm -rf "$stage"' EXIT
trap 'exit 1' INT TERM HUP

source "$root/scripts/configure-build.sh"
steps=7
step=0
# Runs one step: its progress line, then the command with its output kept
# aside and shown only when it fails. A step's function chains its commands
# with &&: set -e does not reach into a function whose status is tested.
run_step() {
  local what=$1
  shift
  step=$((step + 1))
  echo "release: [$step/$steps] $what"
  if ! "$@" >"$log" 2>&1; then
    echo "release: $what failed:" >&2
    tail -n 30 "$log" | sed 's/^/  /' >&2
    exit 1
  fi
}

build_mkpkg() {
  configure_build "$build_dir/native" native-tools &&
    cmake --build "$build_dir/native" --target mkpkg -j"$(nproc)"
}
mkpkg=$build_dir/native/tools/mkpkg/mkpkg

# setup.exe names the data.z made beside it by its SHA-256, and installs no
# other package: the signature made next covers that name too. The digest
# is given on every build, the build folder being shared between releases.
build_setup() {
  local digest
  digest=$("$mkpkg" digest "$stage/data.z") && digest=${digest%% *} &&
    configure_build "$build_dir/win" win-programs -DPRODUCT_SETTINGS="$settings" -DPACKAGE_SHA256="$digest" &&
    cmake --build "$build_dir/win" --target setup -j"$(nproc)" &&
    cp "$build_dir/win/setup/setup.exe" "$stage/setup.exe"
}

# The signature names the product and its English home page, as the
# build's settings have them. osslsigncode writes the name as ASCII text
# (an IA5String), where Windows would show any other letter garbled: a name
# that is not all ASCII is left out, and Windows shows the file's name.
setting() { product_setting "$settings" "$1"; }
sign_setup() {
  local password=() description=(-n "$(setting PRODUCT_NAME) Setup")
  [ -z "$password_file" ] || password=(-readpass "$password_file")
  ! LC_ALL=C grep -q '[^ -~]' <<<"${description[1]}" || description=()
  osslsigncode sign -pkcs12 "$certificate" ${password[@]+"${password[@]}"} -h sha256 \
    ${description[@]+"${description[@]}"} -i "$(setting PRODUCT_HOME_PAGE_ENGLISH)" \
    -in "$stage/setup.exe" -out "$stage/setup.signed.exe" &&
    mv "$stage/setup.signed.exe" "$stage/setup.exe"
}

make_zip() {
  (cd "$stage/disc" && zip -X -q "$stage/$name.zip" setup.exe data.z)
}

make_disc_image() {
  xorriso -as mkisofs -J -V "$label" -o "$stage/$name.iso" "$stage/disc"
}

run_step "building mkpkg ($build_dir/native)" build_mkpkg
run_step "making data.z from $product_dir" \
  "$mkpkg" make "$product_dir" -o "$stage/data.z" --title "$title" --folder "$folder" --key "$key" --quiet \
  ${codepage[@]+"${codepage[@]}"} ${required[@]+"${required[@]}"}
run_step "checking data.z" "$mkpkg" verify "$stage/data.z" ${codepage[@]+"${codepage[@]}"}
run_step "building setup.exe ($build_dir/win)" build_setup
if [ -n "$certificate" ]; then
  run_step "signing setup.exe with $certificate (no time stamp)" sign_setup
else
  step=$((step + 1))
  echo "release: [$step/$steps] setup.exe stays unsigned (no --sign)"
fi
mkdir "$stage/disc"
cp "$stage/setup.exe" "$stage/data.z" "$stage/disc/"
run_step "writing $name.zip" make_zip
run_step "writing $name.iso (ISO 9660 + Joliet, label $label)" make_disc_image

rm -rf "$stage/disc" "$log"
chmod 755 "$stage"
# A rename onto an empty folder replaces it in one step: a move that fails
# leaves an OUT that was there as it was.
mv -T "$stage" "$out" || fail "cannot move the release into $out"
trap - EXIT
echo "release: $out holds setup.exe, data.z, $name.zip and $name.iso"
