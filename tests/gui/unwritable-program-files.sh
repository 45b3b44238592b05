#!/usr/bin/env bash
# Runs a Windows test program with the prefix's Program Files folder made
# immutable (chattr +i), where nothing can be created: as root, Wine lets
# programs write through the read-only attribute and the folder's mode, so
# this is how a standard user's Program Files looks here.
#   unwritable-program-files.sh PROGRAM ARGUMENT...
# Runs in a prefix of its own (wine-run-copy.sh), whose clean-up also undoes
# the attribute should this script be stopped before it does.
set -u
program_files="$WINEPREFIX/drive_c/Program Files"
if ! chattr +i "$program_files"; then
  echo "unwritable-program-files.sh: cannot make $program_files immutable" >&2
  exit 1
fi
wine "$@"
status=$?
chattr -i "$program_files"
exit $status
