#!/usr/bin/env bash
# Measures an 8 MiB download through the program against a plain driver loop
# in one run and prints their ratio.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"
mkdir -p "$TOP/build"
build_all --target download_bench
prepare_prefix
unset DISPLAY
start_display
trap stop_display EXIT
wine "$BUILD/bin/download_bench.exe"
