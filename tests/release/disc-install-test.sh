#!/usr/bin/env bash
# Installs from the release's disc image as a user would from a CD: the image
# is mounted read-only as drive R:, a CD-ROM drive of a copy of the template
# prefix of its own (on a display of its own), and guidriver.exe runs
# R:\setup.exe, the signed one, from R:\ in English and then in Russian.
# Each time the product's tree, the three Start-menu links (with the vendor's
# home page of the language) and the registry record must be as from a hard
# disk, and nothing on the disc may change.
#
# The disc is a loop mount of the image; where the machine refuses one, the
# image's files under a read-only bind mount, else made immutable
# (chattr +i); else the test is skipped (status 77) with the reason.
#   disc-install-test.sh BUILD_DIR WORK GUIDRIVER.EXE DRIVETYPE.EXE
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/wine-env.sh" "$1"
source "$root/scripts/xvfb.sh"
source "$root/scripts/configure-build.sh"
work=$2 guidriver=$3 drivetype=$4
product=$work/product/1.0
iso=$(find "$work/out" -maxdepth 1 -name '*.iso' | head -n 1)
[ -f "$iso" ] || { echo "no disc image in $work/out: the release test made none" >&2; exit 1; }
settings=$work/vendor/settings.cmake
setting() { product_setting "$settings" "$1"; }

# In the 64-bit twin the release's 32-bit setup.exe cannot run: the disc is
# the release's image with, in its place, the twin's setup.exe built with the
# same vendor's settings and the same package digest (data.z, the label and
# the Joliet names as released).
if [[ $WINEARCH == win64 ]]; then
  twin_build=$work/build/win64
  pin=$(/usr/bin/python3 "$root/tests/release/pe-info.py" --pin "$work/out/setup.exe")
  [[ $pin != none ]] || { echo "the release's setup.exe names no package digest" >&2; exit 1; }
  configure_build "$twin_build" win64-programs -DPRODUCT_SETTINGS="$settings" -DSHIPPED_SETUP_EXE="$work/out/setup.exe" \
    -DPACKAGE_SHA256="$pin" &&
    cmake --build "$twin_build" --target setup -j"$(nproc)" >/dev/null ||
    { echo "cannot build the twin's setup.exe with the vendor's settings" >&2; exit 1; }
  twin_iso=$work/twin-disc.iso
  rm -f "$twin_iso"
  xorriso -indev "$iso" -outdev "$twin_iso" -joliet on \
    -update "$twin_build/setup/setup.exe" /setup.exe >/dev/null 2>&1 ||
    { echo "cannot make the twin's disc image" >&2; exit 1; }
  iso=$twin_iso
  echo "the disc: the release's image, the twin's setup.exe (vendor's settings and digest) in place of the shipped one"
fi

mkdir -p "$build_dir/prefix-copies"
copy=$(mktemp -d "$build_dir/prefix-copies/disc.XXXXXX")
disc=$copy/disc
files=$copy/disc-files
immutable=
cleanup() {
  wine_copy_stop "$copy/prefix"
  xvfb_stop
  mountpoint -q "$disc" && umount "$disc"
  [ -z "$immutable" ] || chattr -R -i "$files" 2>/dev/null
  rm -rf "$copy"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The read-only disc, the best way this machine allows.
mkdir "$disc"
if mount -o loop,ro "$iso" "$disc" 2>"$copy/mount-error"; then
  echo "the disc: the image loop-mounted read-only"
else
  reason="loop mount refused ($(head -n 1 "$copy/mount-error"))"
  if ! xorriso -osirrox on -indev "$iso" -extract / "$files" >/dev/null 2>&1; then
    echo "cannot read the image's files with xorriso" >&2
    exit 1
  fi
  if mount --bind "$files" "$disc" 2>>"$copy/mount-error" &&
    mount -o remount,ro,bind "$disc" 2>>"$copy/mount-error"; then
    echo "the disc: $reason; the image's files under a read-only bind mount"
  else
    mountpoint -q "$disc" && umount "$disc"
    rmdir "$disc"
    immutable=1  # also undone when only part of it was done
    if chattr -R +i "$files" 2>>"$copy/mount-error"; then
      disc=$files
      echo "the disc: $reason, bind mount refused; the image's files made immutable"
    else
      echo "SKIP: no read-only disc here: $reason; bind mount and chattr +i refused too" >&2
      exit 77
    fi
  fi
fi
snapshot() { (cd "$disc" && find . -printf '%p %s %m %T@\n' | sort && sha256sum setup.exe data.z) 2>&1; }
disc_before=$(snapshot)
image_before=$(sha256sum <"$iso")

unset DISPLAY
xvfb_start || exit 1
# The copy's own server; its services must not hold CTest's pipes open.
# Wine's mount manager reads the drive types as it starts: the server starts
# again once R: is marked a CD-ROM drive.
add_disc() { ln -s "$disc" "$WINEPREFIX/dosdevices/r:"; }
wine_copy_start "$copy/prefix" add_disc || exit 1
wine reg add 'HKLM\Software\Wine\Drives' /v r: /d cdrom /f >/dev/null 2>&1 </dev/null
wine_copy_stop "$WINEPREFIX"
wine_server_start

status=0
failed() {
  echo "FAILED ($case): $*" >&2
  status=1
}
case=drive
kind=$(wine "$drivetype" 'R:\' 2>/dev/null | tr -d '\r')
[[ $kind == cdrom ]] || failed "R: is a $kind drive, not a CD-ROM drive"

program_files="$WINEPREFIX/drive_c/Program Files"
install_dir='C:\Program Files\QuorvixForge\1.0'
lnk_lines() { lnkinfo "$1" 2>/dev/null | sed -E 's/^[[:space:]]+//; s/[[:space:]]*:[[:space:]]*/ : /'; }
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"
}

# language | the guidriver steps that choose it | the completion box | manual folder | home page | letter
while IFS='|' read -r case choose finished manual home_page letter; do
  # shellcheck disable=SC2086  # the steps are words
  driven=$(wine_russian "$guidriver" start 'R:\setup.exe' 'R:\' $choose click Start answer OK wait 2>&1 </dev/null |
    tr -d '\r')
  grep -qF "dialog: Information: $finished" <<<"$driven" && grep -qx 'exit code: 0' <<<"$driven" ||
    { failed "the install did not finish as expected:"; echo "$driven" >&2; continue; }

  # Beside the product: its uninstaller and the record of what the install made.
  diff -r -x uninstall.exe -x uninstall.dat "$product" "$program_files/QuorvixForge/1.0" >&2 ||
    failed "the installed tree differs from the product's"
  for item in uninstall.exe uninstall.dat; do
    [ -f "$program_files/QuorvixForge/1.0/$item" ] || failed "no $item beside the product"
  done
  menu=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/QuorvixForge/1.0' -type d | head -n 1)
  while IFS='|' read -r link line; do
    lnk_lines "$menu/$link" | grep -qxF -- "$line" || failed "$link lacks \"$line\""
  done <<EOF
QuorvixForge.lnk|Local path : $install_dir\\QuorvixForge.exe
QuorvixForge.lnk|Description : $(setting PRODUCT_PROGRAM_LINK_DESCRIPTION)
Manual.lnk|Local path : $install_dir\\MANUAL\\$manual\\manual.pdf
Web.lnk|Name : $home_page
Web.lnk|Description : Home page
EOF
  [[ $(reg_value 'HKCU\Software\QuorvixForge\Versions\1.0' 'Destination folder') == "$install_dir" ]] ||
    failed "the record's destination is not $install_dir"
  [[ $(reg_value 'HKCU\Software\QuorvixForge\General' Language) == "$letter" ]] ||
    failed "the record's language is not $letter"
  ((status)) || echo "$case: installed from R:; the tree, the links and the record as expected"
done <<EOF
English||The installation of Quorvix Forge 1.0 was finished successfully!|English|$(setting PRODUCT_HOME_PAGE_ENGLISH)|E
Russian|select Russian|Инсталляция Quorvix Forge 1.0 была завершена успешно!|Russian|$(setting PRODUCT_HOME_PAGE_RUSSIAN)|R
EOF

case=disc
[[ $(snapshot) == "$disc_before" ]] || failed "the disc's files changed"
[[ $(sha256sum <"$iso") == "$image_before" ]] || failed "the disc image changed"
exit $status
