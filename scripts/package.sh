#!/usr/bin/env bash
# Builds the release packages of both flavours:
#   build/win32/package/Tessaline-<version>-win32.zip  (the shipped program)
#   build/win64/package/Tessaline-<version>-win64.zip
# Each is `cmake --build build/<flavour> --target package` (CPack).
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
for flavour in win32 win64; do
  build_flavour "$flavour" --target package
  ls "$(flavour_dir "$flavour")"/package/*.zip
done
