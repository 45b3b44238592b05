#!/usr/bin/env bash
# Runs GoogleTest tests with the prefix's Program Files folder made
# immutable (chattr +i), where nothing can be created: as root, Wine lets
# programs write through the read-only attribute and the folder's mode, so
# this is how a standard user's Program Files looks here.
#   unwritable-program-files.sh COUNT PROGRAM ARGUMENT...
# COUNT tests must pass: a filter that matches nothing, or a test that
# skips, fails the run.
# Runs in a prefix of its own (wine-run-copy.sh), whose clean-up also undoes
# the attribute should this script be stopped before it does.
set -u
count=$1
shift
program_files="$WINEPREFIX/drive_c/Program Files"
if ! chattr +i "$program_files"; then
  echo "unwritable-program-files.sh: cannot make $program_files immutable" >&2
  exit 1
fi
printed=$(mktemp)
wine "$@" | tee "$printed"
status=${PIPESTATUS[0]}
chattr -i "$program_files"
if ! tr -d '\r' <"$printed" | grep -Eqx "\[  PASSED  \] $count tests?\."; then
  echo "unwritable-program-files.sh: $count test(s) must pass, and the run did not say so (no test matched, or one skipped?)" >&2
  status=1
fi
rm -f "$printed"
exit $status
