#!/usr/bin/env bash
# Builds the native tools and tests (build/native, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and the Windows programs: the shipped 32-bit
# build (build/win) and, where the Windows tests run the 64-bit twin (see
# scripts/windows-build.sh), the twin (build/win64), whose checks of the
# shipped program read build/win's setup.exe.
#   scripts/build.sh          everything, tests included
#   scripts/build.sh --main   only what the main job runs: setup.exe, mkpkg,
#                             the example product and the GUI driver
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native_targets=() win_targets=()
case ${1:-} in
  "") ;;
  --main) native_targets=(--target mkpkg) win_targets=(--target setup QuorvixForge guidriver) ;;
  *) echo "usage: $0 [--main]" >&2; exit 2 ;;
esac
bash "$root/scripts/install-deps.sh"
source "$root/scripts/windows-build.sh"
source "$root/scripts/configure-build.sh"

configure_build "$root/build/native" native
cmake --build "$root/build/native" -j"$(nproc)" "${native_targets[@]}"

shipped=$root/build/win
if [[ $windows_build == win ]]; then
  configure_build "$shipped" win
  cmake --build "$shipped" -j"$(nproc)" "${win_targets[@]}"
else
  # The shipped program only: nothing 32-bit runs here.
  configure_build "$shipped" win-programs
  cmake --build "$shipped" -j"$(nproc)" --target setup
  configure_build "$root/build/win64" win64
  cmake --build "$root/build/win64" -j"$(nproc)" "${win_targets[@]}"
fi
