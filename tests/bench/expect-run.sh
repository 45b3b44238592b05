#!/usr/bin/env bash
# Runs a command and passes when it ends with the exit status given and a
# line of its output (standard output and error) matches the pattern:
# CTest's own PASS_REGULAR_EXPRESSION would ignore the status.
# Usage: expect-run.sh STATUS PATTERN COMMAND [ARGS...]
set -uo pipefail
expected=$1 pattern=$2
shift 2
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
if [[ $status != "$expected" ]]; then
  echo "expect-run: exit status $status, expected $expected" >&2
  exit 1
fi
if ! grep -qE -- "$pattern" <<<"$output"; then
  echo "expect-run: no line of the output matches \"$pattern\"" >&2
  exit 1
fi
