#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, runs the native tests
# (sanitizers, fuzzing), then the Windows tests under Wine in a fresh prefix.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"

echo "== native tests"
ctest --test-dir "$root/build/native" -j"$(nproc)" --output-on-failure

echo "== Windows tests under Wine"
source "$root/scripts/wine-env.sh" "$root/build/win"
source "$root/scripts/xvfb.sh"
trap 'wine_server_stop; xvfb_stop' EXIT
wine_prefix_create
xvfb_start
wine_server_start
ctest --test-dir "$root/build/win" -j"$(nproc)" --output-on-failure
