#!/usr/bin/env bash
# Times the builder's flash map against one Save of the same set (30 clips
# of 10 s, 20 pictures): its refresh after one clip changed (target: well
# under one Save and under 300 ms) and after the rate changed (every clip
# converted again, for information).
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_flavour "$FLAVOUR" --target map_bench
prepare_prefix
"$WINE" "$BUILD/bin/map_bench.exe" </dev/null 2>&1 | tr -d '\r'
