#!/usr/bin/env bash
# Measures an 8 MiB download through the program against a plain driver loop
# in one run and prints their ratio.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_flavour "$FLAVOUR" --target download_bench
prepare_prefix
unset DISPLAY
start_display
trap stop_display EXIT
"$WINE" "$BUILD/bin/download_bench.exe"
