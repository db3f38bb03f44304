#!/usr/bin/env bash
# Times `tessa download --devices 0-3` of a 1 MiB image against one board,
# taking turns, and prints the ratio of their medians.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_flavour "$FLAVOUR" --target gang_bench
prepare_prefix
"$WINE" "$BUILD/bin/gang_bench.exe"
