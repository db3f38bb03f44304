#!/usr/bin/env bash
# Builds the program and starts it with the simulated device beside it.
# With a display ($DISPLAY) it runs there until closed; without one it runs
# under Xvfb, saves a screenshot to build/screenshot.png and closes it.
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
mkdir -p "$TOP/build"
build_all --target Tessaline kp6600sim tunemill picmill
prepare_prefix

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cd "$BUILD/bin" && exec wine Tessaline.exe "$@"
fi

start_display
trap stop_display EXIT
cd "$BUILD/bin"
wine Tessaline.exe "$@" &
app=$!
sleep "${TESSALINE_SHOT_DELAY:-6}"
import -window root "$TOP/build/screenshot.png"
echo "Tessaline is running under Xvfb; screenshot saved to build/screenshot.png"
wineserver -k || true
wait "$app" 2>/dev/null || true
