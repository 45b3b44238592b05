#!/usr/bin/env bash
# Builds the native tools and tests (build/native, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and the Windows programs: the shipped 32-bit
# build (build/win) and, where the Windows tests run the 64-bit twin (see
# scripts/windows-build.sh), the twin (build/win64), whose checks of the
# shipped program read build/win's setup.exe; build/win's tests and tools
# are then built too, and not run.
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
configure_build "$shipped" win
if [[ $windows_build == win ]]; then
  cmake --build "$shipped" -j"$(nproc)" "${win_targets[@]}"
else
  # Nothing 32-bit runs here, but every 32-bit target is built all the same
  # (the main job needs setup.exe alone): a change that breaks the shipped
  # build's code, its tests or its tools fails here, not only where 32-bit
  # programs run.
  shipped_targets=()
  [[ ${1:-} == --main ]] && shipped_targets=(--target setup)
  cmake --build "$shipped" -j"$(nproc)" "${shipped_targets[@]}"
  configure_build "$root/build/win64" win64
  cmake --build "$root/build/win64" -j"$(nproc)" "${win_targets[@]}"
fi
