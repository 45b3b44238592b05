#!/usr/bin/env bash
# The example product's manuals are sound PDFs whose text reads right in
# each language (poppler's pdfinfo and pdftotext as independent readers).
set -euo pipefail
tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../examples/quorvix/tree" && pwd)

check() {
  local pdf=$tree/MANUAL/$1/manual.pdf expected=$2 info text
  info=$(pdfinfo "$pdf" 2>&1) || { echo "FAIL: $pdf: $info" >&2; exit 1; }
  if grep -qi 'error' <<<"$info" || ! grep -q '^Pages: *1$' <<<"$info"; then
    echo "FAIL: $pdf: $info" >&2
    exit 1
  fi
  text=$(pdftotext -layout "$pdf" - 2>&1)
  grep -qF "$expected" <<<"$text" || { echo "FAIL: $pdf lacks \"$expected\": $text" >&2; exit 1; }
}

check English "User manual"
check English "Quorvix Forge is the example product that Quorvix Setup installs."
check Russian "Руководство пользователя"
check Russian "Запустите его из меню Пуск: Программы, QuorvixForge, 1.0, QuorvixForge."
echo "manuals: ok"
