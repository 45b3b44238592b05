#!/usr/bin/env bash
# The release command end to end, as a vendor runs it: the example product's
# tree under another vendor's settings (own names, the company's in Cyrillic,
# own icon, own home pages), signed with a throwaway self-signed certificate made here.
# Checks what lands in OUT: the two files, the .zip and the disc image with
# the same bytes, the version information and icon, the signature (and that
# a changed byte breaks it). Leaves WORK/product and WORK/out for the disc
# install test.
#   release-test.sh WORK VERSION QUORVIXFORGE.EXE
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(realpath -m "$1") version=$2 program=$3
out=$work/out
status=0
failed() {
  echo "FAILED: $*" >&2
  status=1
}

rm -rf "$work/product" "$work/out" "$work/vendor" "$work/scratch"
mkdir -p "$work/product" "$work/vendor" "$work/scratch"
cp -R "$root/examples/quorvix/tree" "$work/product/1.0"
cp "$program" "$work/product/1.0/QuorvixForge.exe"

# The vendor: a certificate with a password, an icon, settings.
vendor=$work/vendor
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$vendor/key.pem" -out "$vendor/certificate.pem" -days 2 \
  -subj "/CN=Test Vendor" 2>/dev/null &&
  printf 'throwaway\n' >"$vendor/password" &&
  openssl pkcs12 -export -in "$vendor/certificate.pem" -inkey "$vendor/key.pem" -out "$vendor/certificate.p12" \
    -passout file:"$vendor/password" || { echo "openssl cannot make a certificate" >&2; exit 1; }
convert -size 32x32 xc:'#2060c0' -fill white -draw 'rectangle 8,8 23,23' "$vendor/vendor.ico" ||
  { echo "cannot make an icon" >&2; exit 1; }
cat >"$vendor/settings.cmake" <<'EOF'
set(PRODUCT_NAME "Vendor Writer")
set(PRODUCT_COMPANY "ООО «Вендор»")
set(PRODUCT_COPYRIGHT "© 2026 ООО «Вендор»")
set(PRODUCT_ICON "vendor.ico")
set(PRODUCT_HOME_PAGE_ENGLISH "https://vendor.example/en/index.html?from=setup")
set(PRODUCT_HOME_PAGE_RUSSIAN "https://vendor.example/ru/")
set(PRODUCT_PROGRAM_LINK_NAME "QuorvixForge")
set(PRODUCT_PROGRAM_LINK_DESCRIPTION "Quorvix Forge, from Vendor Writer")
EOF

bash "$root/scripts/release.sh" "$work/product/1.0" --title "Quorvix Forge 1.0" --folder QuorvixForge \
  --key QuorvixForge.exe --codepage 1251 --settings "$vendor/settings.cmake" \
  --sign "$vendor/certificate.p12" --password-file "$vendor/password" \
  --build-dir "$work/build" -o "$out" >"$work/scratch/stdout" 2>"$work/scratch/stderr"
release_status=$?
cat "$work/scratch/stdout"
if ((release_status != 0)); then
  cat "$work/scratch/stderr" >&2
  echo "FAILED: release.sh exited with $release_status" >&2
  exit 1
fi

# A progress line per step, in order, and the closing line.
progress=$(grep -c '^release: \[[1-7]/7\] ' "$work/scratch/stdout")
((progress == 7)) || failed "7 progress lines expected, got $progress"
grep -qF "release: $out holds setup.exe, data.z, QuorvixForge-1.0.zip and QuorvixForge-1.0.iso" \
  "$work/scratch/stdout" || failed "no closing line naming what OUT holds"

listing=$(cd "$out" && ls -A | tr '\n' ' ')
[[ $listing == "QuorvixForge-1.0.iso QuorvixForge-1.0.zip data.z setup.exe " ]] ||
  failed "OUT holds: $listing"
[[ -z $(find "$work" -maxdepth 1 -name '.release.*') ]] || failed "a staging folder was left beside OUT"

# The package: the product's tree, under its title and folder.
mkpkg=$work/build/native/tools/mkpkg/mkpkg
"$mkpkg" verify "$out/data.z" --codepage 1251 >/dev/null || failed "mkpkg verify rejects data.z"
listed=$("$mkpkg" list "$out/data.z" --codepage 1251)
for line in "Quorvix Forge 1.0" "QuorvixForge" "Прочти меня.txt"; do
  grep -qF -- "$line" <<<"$listed" || failed "mkpkg list of data.z lacks $line"
done

# The .zip and the disc hold exactly the two files, byte for byte.
zipped=$(unzip -Z1 "$out/QuorvixForge-1.0.zip" | sort | tr '\n' ' ')
[[ $zipped == "data.z setup.exe " ]] || failed "the .zip holds: $zipped"
for file in setup.exe data.z; do
  unzip -p "$out/QuorvixForge-1.0.zip" "$file" | cmp -s - "$out/$file" || failed "the .zip's $file differs"
done
iso=$out/QuorvixForge-1.0.iso
disc=$work/scratch/disc
xorriso -osirrox on -indev "$iso" -extract / "$disc" >/dev/null 2>&1 || failed "xorriso cannot read the disc image"
on_disc=$(cd "$disc" 2>/dev/null && ls -A | tr '\n' ' ')
[[ $on_disc == "data.z setup.exe " ]] || failed "the disc holds: $on_disc"
for file in setup.exe data.z; do
  cmp -s "$disc/$file" "$out/$file" || failed "the disc's $file differs"
done
# What Windows reads: the Joliet names, and the ISO 9660 label.
disc_info=$(xorriso -indev "$iso" -pvd_info 2>/dev/null)
grep -q '^Volume Id *: QUORVIXFORGE_1_0$' <<<"$disc_info" || failed "the disc's label is not QUORVIXFORGE_1_0"
xorriso -indev "$iso" -toc 2>/dev/null | grep -q '^ISO offers *:.* Joliet' || failed "the disc has no Joliet tree"

# The vendor's names, the project's version and the vendor's icon.
bash "$here/version-info-test.sh" "$out/setup.exe" "$version" "$vendor/vendor.ico" "Vendor Writer" \
  "ООО «Вендор»" "© 2026 ООО «Вендор»" || failed "setup.exe's version information"

# setup.exe names the data.z it ships by its SHA-256, in the part the
# signature covers (the changed byte below shows that it covers the file).
pin=$(/usr/bin/python3 "$here/pe-info.py" --pin "$out/setup.exe")
[[ $pin == "$(sha256sum <"$out/data.z" | cut -d' ' -f1)" ]] || failed "setup.exe names the package $pin, not data.z"

# What the vendor ships is what the build's checks read: its imports,
# manifest and load configuration, signature and all.
bash "$root/tests/gui/check-setup-exe.sh" "$out/setup.exe" || failed "the signed setup.exe's imports or manifest"
/usr/bin/python3 "$root/tests/gui/check-load-config.py" "$out/setup.exe" ||
  failed "the signed setup.exe's load configuration"

# The signature: found and sound; one changed byte of the code breaks it.
# Its exit status, which osslsigncode's versions agree on (its report's words differ).
verify() { osslsigncode verify -in "$1" -CAfile "$vendor/certificate.pem" 2>&1; }
report=$(verify "$out/setup.exe") ||
  { failed "osslsigncode verify does not accept the signed setup.exe"; echo "$report" >&2; }
# The signature names the product: ASCII bytes, where the version
# information holds its texts in UTF-16.
/usr/bin/python3 -c 'import sys; sys.exit(sys.argv[2].encode() not in open(sys.argv[1], "rb").read())' \
  "$out/setup.exe" "Vendor Writer Setup" || failed "the signature does not name the product"
/usr/bin/python3 - "$out/setup.exe" "$work/scratch/changed.exe" <<'EOF'
import pefile, sys
data = bytearray(open(sys.argv[1], "rb").read())
text = next(s for s in pefile.PE(data=bytes(data)).sections if s.Name.rstrip(b"\0") == b".text")
data[text.PointerToRawData + text.SizeOfRawData // 2] ^= 0xFF
open(sys.argv[2], "wb").write(data)
EOF
cmp -s "$work/scratch/changed.exe" "$out/setup.exe" && failed "the byte changed nothing"
verify "$work/scratch/changed.exe" >/dev/null && failed "osslsigncode verify accepts setup.exe with a changed byte"

rm -rf "$work/scratch"
exit $status
