# Shared by run.sh and test.sh: the build, the project's own Wine prefix and a display.
# Source it; it defines functions and variables only.
TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$TOP/build/win32"
export WINEPREFIX="$TOP/build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

build_all() {
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$TOP" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-i686.cmake" \
          -DCMAKE_BUILD_TYPE=Release >"$TOP/build/configure.log" 2>&1 \
      || { cat "$TOP/build/configure.log"; return 1; }
  fi
  cmake --build "$BUILD" -j"$(nproc)" "$@" >"$TOP/build/build.log" 2>&1 \
    || { grep -E -B2 -A6 'error|Error' "$TOP/build/build.log" | head -80; return 1; }
}

# Creates the prefix once, with a CJK font linked to the dialog fonts.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.tessaline-fonts" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
      wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    done
    wineserver -w
    touch "$WINEPREFIX/.tessaline-fonts"
  fi
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY.
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb did not start" >&2
  return 1
}

stop_display() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
