#!/usr/bin/env bash
# Builds everything and runs every test under Wine, with Xvfb for the windows.
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
mkdir -p "$TOP/build"
build_all
prepare_prefix
unset DISPLAY
start_display
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT
# One wine server for the whole run, so each test starts quickly.
wineserver -p
cd "$BUILD"
ctest --output-on-failure --timeout 300 -j"${TEST_JOBS:-2}" "$@"
