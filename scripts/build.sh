#!/usr/bin/env bash
# Builds the Windows programs (build/win) and the native tools and tests
# (build/native, with AddressSanitizer and UndefinedBehaviorSanitizer).
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

cmake -S "$root" -B "$root/build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=ON -DBUILD_FUZZERS=ON >/dev/null
cmake --build "$root/build/native" -j"$(nproc)" "${native_targets[@]}"

source "$root/scripts/cross-build-dir.sh"
cross_build_dir_check "$root/build/win"
cmake -S "$root" -B "$root/build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cross_build_dir_stamp "$root/build/win"
cmake --build "$root/build/win" -j"$(nproc)" "${win_targets[@]}"
