#!/usr/bin/env bash
# Builds the program and starts it with the simulated device beside it.
# With a display ($DISPLAY) it runs there until closed; without one it runs
# under Xvfb, saves a screenshot of its window to build/screenshot.png and
# closes it. It exits non-zero, with the reason, when the program's window
# never appears.
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
targets=(--target Tessaline kp6600sim tunemill picmill)
build_flavour "$FLAVOUR" "${targets[@]}"
# The 32-bit build is the product: it is built even where it cannot run.
[ "$FLAVOUR" = win32 ] || build_flavour win32 "${targets[@]}"
prepare_prefix

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cd "$BUILD/bin" && exec "$WINE" Tessaline.exe "$@"
fi

start_display
log="$TOP/build/run.log"
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT
cd "$BUILD/bin"
"$WINE" Tessaline.exe "$@" >"$log" 2>&1 &
app=$!

# The main window shown on the screen: an X window of the exe's class with the
# main window's caption (its ASCII end), mapped. Wine also keeps windows that
# are not shown, and a message box of a failed start does not count.
has_window() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/SPI-FLASH\)": \("tessaline.exe" / { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
not_started() {
  echo "the program did not start: $1" >&2
  [ -s "$log" ] && sed 's/^/  /' "$log" | tail -5 >&2
  exit 1
}
for _ in $(seq "${TESSALINE_START_TIMEOUT:-60}"); do
  has_window && break
  if ! kill -0 "$app" 2>/dev/null; then
    rc=0; wait "$app" || rc=$?
    not_started "Wine ended with exit code $rc before a window appeared"
  fi
  sleep 1
done
has_window || not_started "its main window did not appear within ${TESSALINE_START_TIMEOUT:-60} s"

# Let the window finish drawing before the shot.
sleep "${TESSALINE_SHOT_DELAY:-2}"
has_window || not_started "its window closed again"
import -window root "$TOP/build/screenshot.png"
echo "Tessaline is running under Xvfb ($FLAVOUR); screenshot saved to build/screenshot.png"
