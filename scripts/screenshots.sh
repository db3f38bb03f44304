#!/usr/bin/env bash
# Screenshots of the main window at 96 and 144 DPI: the download panel alone
# and with the builder panel, the system menu, before and after a download,
# a clip and a picture from the builder, its flash map with a media set open,
# and the About box. They go to build/shots/<dpi>-<state>.png.
# Runs in a Wine prefix of its own (a copy of the test prefix), in which Wine
# draws the window frames itself, as there is no window manager under Xvfb,
# and whose DPI is set per run; the test prefix stays at 96 DPI.
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_flavour "$FLAVOUR" --target Tessaline kp6600sim tunemill picmill screens_driver
prepare_prefix

shots="$TOP/build/shots"
mkdir -p "$shots"
test_prefix=$WINEPREFIX
export WINEPREFIX="$TOP/build/wineprefix-$FLAVOUR-shots"
[ -d "$WINEPREFIX" ] || cp -a "$test_prefix" "$WINEPREFIX"
prepare_prefix

# A screen wide enough for the builder panel at 144 DPI.
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$n"
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

go="$TOP/build/shots/.go"
for dpi in ${SHOT_DPIS:-96 144}; do
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  rm -f "$go"
  "$WINE" "$BUILD/bin/screens_driver.exe" "$(winepath -w "$go")" |
  while read -r state left top right bottom; do
    bottom=${bottom%$'\r'}
    shot="$shots/$dpi-$state.png"
    import -window root "$shot"
    if [ "$state" != menu ]; then
      # The window and a margin round it.
      convert "$shot" -crop "$((right - left + 20))x$((bottom - top + 20))+$((left > 10 ? left - 10 : 0))+$((top > 10 ? top - 10 : 0))" +repage "$shot"
    fi
    echo "$shot"
    touch "$go"
  done
done
