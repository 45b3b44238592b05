#!/usr/bin/env bash
# Writes the example product's two manuals, tree/MANUAL/{English,Russian}/manual.pdf:
# one-page PDFs in the standard font Courier (every glyph 600 units wide, so
# the widths hold for the Cyrillic letters too), with the Russian text in
# Windows-1251 mapped to Cyrillic glyph names. Run by hand when the texts change; the
# results are kept in the repository.
set -euo pipefail
export LC_ALL=C  # lengths and offsets in bytes
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# make_pdf OUT TITLE LINE... (lines in UTF-8; Cyrillic letters only outside ASCII)
make_pdf() {
  local out=$1 title=$2
  shift 2
  local content="BT /F1 22 Tf 60 770 Td (Quorvix Forge 1.0) Tj /F1 11 Tf 18 TL"
  local line
  for line in "$@"; do
    content+=" T* ($(printf '%s' "$line" | iconv -f UTF-8 -t CP1251)) Tj"
  done
  content+=" ET"

  # Bytes 0xC0-0xFF are the Cyrillic capitals and small letters in order.
  local differences="192" i
  for ((i = 0; i < 64; i++)); do differences+=$(printf ' /uni%04X' $((0x410 + i))); done
  local widths=""
  for ((i = 32; i < 256; i++)); do widths+=" 600"; done

  local objects=(
    "<< /Type /Catalog /Pages 2 0 R >>"
    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>"
    "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding 6 0 R /FirstChar 32 /LastChar 255 /Widths [$widths ] >>"
    "<< /Length ${#content} >>
stream
$content
endstream"
    "<< /Type /Encoding /BaseEncoding /WinAnsiEncoding /Differences [$differences] >>"
    "<< /Title ($title) /Producer (make-manuals.sh) >>"
  )
  mkdir -p "$(dirname "$out")"
  local offsets=() n
  printf '%%PDF-1.4\n%%\xE2\xE3\xCF\xD3\n' >"$out"
  for n in "${!objects[@]}"; do
    offsets+=("$(stat -c %s "$out")")
    printf '%d 0 obj\n%s\nendobj\n' $((n + 1)) "${objects[$n]}" >>"$out"
  done
  local xref
  xref=$(stat -c %s "$out")
  {
    printf 'xref\n0 %d\n0000000000 65535 f \n' $((${#objects[@]} + 1))
    for n in "${offsets[@]}"; do printf '%010d 00000 n \n' "$n"; done
    printf 'trailer\n<< /Size %d /Root 1 0 R /Info 7 0 R >>\nstartxref\n%d\n%%%%EOF\n' $((${#objects[@]} + 1)) "$xref"
  } >>"$out"
}

make_pdf "$here/tree/MANUAL/English/manual.pdf" "Quorvix Forge 1.0 - User manual" \
  "User manual" \
  "" \
  "Quorvix Forge is the example product that Quorvix Setup installs." \
  "Start it from the Start menu: Programs, QuorvixForge, 1.0, QuorvixForge." \
  "It opens a window that says what it is." \
  "There is nothing more to it."

make_pdf "$here/tree/MANUAL/Russian/manual.pdf" "Quorvix Forge 1.0 - Russian manual" \
  "Руководство пользователя" \
  "" \
  "Quorvix Forge - пример продукта, который устанавливает Quorvix Setup." \
  "Запустите его из меню Пуск: Программы, QuorvixForge, 1.0, QuorvixForge." \
  "Программа открывает окно и сообщает, что она такое." \
  "Больше она ничего не делает."
