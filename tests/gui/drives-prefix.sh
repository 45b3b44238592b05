#!/usr/bin/env bash
# A copy of the Wine template prefix for the tests that move the Program Files
# folder (HKLM\Software\Microsoft\Windows\CurrentVersion ProgramFilesDir, which
# the tests set themselves) and need drives of their own:
#   D:  a plain folder on the build disk
#   M:  a 1 MB tmpfs when this machine lets us mount one (as root); otherwise a
#       plain folder, and the tests that need a small drive skip.
# CTest runs "setup" and "cleanup" as a fixture around those tests and "run"
# as their emulator. The copy lives beside the test prefix, not in it, so
# that a fresh test prefix never has to remove a mounted folder. A run
# without the copy fails: in the shared prefix the tests would find no
# drives and move the Program Files folder that other tests read there.
#
# Usage: drives-prefix.sh BUILD_DIR setup|cleanup|run [PROGRAM ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" "$1"
action=$2
shift 2

copy_root=$build_dir/drives-prefix
copy_prefix=$copy_root/prefix
small_drive=$copy_root/m
plain_drive=$copy_root/d

unmount_small_drive() {
  if mountpoint -q "$small_drive" 2>/dev/null; then umount "$small_drive"; fi
  return 0
}
remove_copy() {
  wine_copy_stop "$copy_prefix"
  unmount_small_drive
  rm -rf "$copy_root"
}

case $action in
  setup)
    remove_copy
    mkdir -p "$small_drive" "$plain_drive" || exit 1
    if ! mount -t tmpfs -o size=1m tmpfs "$small_drive" 2>"$copy_root/mount-error"; then
      echo "M: is a plain folder: mount -t tmpfs failed ($(cat "$copy_root/mount-error")); the small-drive tests skip"
    fi
    add_drives() {
      ln -s "$plain_drive" "$copy_prefix/dosdevices/d:" && ln -s "$small_drive" "$copy_prefix/dosdevices/m:"
    }
    # The prefix's server and services start here, away from CTest's pipes:
    # started by a test, they would hold its output open and CTest would wait.
    wine_copy_start "$copy_prefix" add_drives || exit 1
    exit 0
    ;;
  cleanup)
    remove_copy
    ;;
  run)
    # Listing the tests reads nothing of the prefix: the test prefix serves
    # before the setup.
    for arg; do
      if [[ $arg == --gtest_list_tests ]]; then exec wine "$@"; fi
    done
    if [[ ! -d $copy_prefix/dosdevices/d: || ! -d $copy_prefix/dosdevices/m: ]]; then
      echo "drives-prefix.sh: no prefix copy with drives D: and M: in $copy_root (DrivesPrefixSetup failed or did not run)" >&2
      exit 1
    fi
    export WINEPREFIX=$copy_prefix
    exec wine "$@"
    ;;
  *)
    echo "usage: $0 BUILD_DIR setup|cleanup|run [PROGRAM ARGS...]" >&2
    exit 2
    ;;
esac
