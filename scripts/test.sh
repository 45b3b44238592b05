#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, runs the native tests
# (sanitizers, fuzzing), then the Windows tests under Wine in a fresh prefix:
# the shipped 32-bit programs where this kernel starts 32-bit programs, else
# their 64-bit twins (scripts/windows-build.sh; WINDOWS_TWIN=1 forces the
# twin). The first and the last line say which ran, and why; the last but
# one how often a Windows test program was run again (tests/wine-run.sh.in:
# 0 expected).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/install-deps.sh" >&2
source "$root/scripts/windows-build.sh"
windows_build_line
trap 'status=$?; windows_build_line; exit $status' EXIT
bash "$root/scripts/build.sh"

echo "== native tests"
ctest --test-dir "$root/build/native" -j"$(nproc)" --output-on-failure

echo "== Windows tests under Wine ($windows_build)"
source "$root/scripts/wine-env.sh" "$root/build/$windows_build"
source "$root/scripts/xvfb.sh"
retries=$root/build/$windows_build/wine-run-retries.log
: >"$retries"
retries_line() {
  echo "Windows test programs run again after printing nothing: $(grep -c . "$retries") (0 expected)"
  sed 's/^/  /' "$retries"
}
trap 'status=$?; wine_server_stop; xvfb_stop; retries_line; windows_build_line; exit $status' EXIT
wine_prefix_create
xvfb_start
wine_server_start
ctest --test-dir "$root/build/$windows_build" -j"$(nproc)" --output-on-failure
