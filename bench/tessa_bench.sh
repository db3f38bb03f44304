#!/usr/bin/env bash
# Times `tessa download` of an 8 MiB image against a plain driver loop in one
# run and prints their ratio.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_flavour "$FLAVOUR" --target tessa_bench
prepare_prefix
"$WINE" "$BUILD/bin/tessa_bench.exe"
