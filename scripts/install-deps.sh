#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmark need,
# both ways: the shipped 32-bit programs under 32-bit Wine, and their 64-bit
# twins under 64-bit Wine (scripts/windows-build.sh chooses).
# Quick when everything is already present: it only calls apt when a package is missing.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine32:i386 wine64
  xvfb x11-utils imagemagick
  liblnk-utils
  nsis time
  locales poppler-utils
  osslsigncode openssl xorriso zip unzip python3-pefile e2fsprogs
  nettle-dev
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
