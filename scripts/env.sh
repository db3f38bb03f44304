# Shared by run.sh, test.sh and the benchmarks: the two builds, the Wine that
# runs one of them, the project's own Wine prefix and a display.
# Source it; it defines functions and variables only.
TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The 32-bit Wine loader; a kernel with 32-bit emulation off cannot execute it.
# Pointing this at a loader that fails imitates such a machine.
WINE32_LOADER=${TESSALINE_WINE32_LOADER:-/usr/lib/wine/wine}
WINE64_LOADER=/usr/lib/wine/wine64

# Both builds are always made: win32 is the shipped program, win64 the same
# sources for machines that run no 32-bit code.
flavour_dir() { echo "$TOP/build/$1"; }

# Wine maps file names through the locale, and xwininfo converts window
# captions through it: both need a UTF-8 locale, whatever the caller's is
# (a bare container's is C). Exports the first UTF-8 locale there is as
# LC_ALL, or says that there is none.
use_utf8_locale() {
  local name available
  available=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-')
  for name in C.UTF-8 en_US.UTF-8; do
    if printf '%s\n' "$available" | grep -qx "$(printf '%s' "$name" | tr 'A-Z' 'a-z' | tr -d '-')"; then
      export LC_ALL=$name LANG=$name
      return 0
    fi
  done
  name=$(printf '%s\n' "$available" | grep -m1 -E '\.utf8$' || true)
  if [ -n "$name" ]; then
    export LC_ALL=$name LANG=$name
    return 0
  fi
  echo "tessaline: no UTF-8 locale here (locale -a lists none): non-ASCII file names and window captions may fail" >&2
  return 0
}

# Picks the build that this machine can run (call it after setup.sh) and says
# which in one line. Sets FLAVOUR, BUILD (the build that runs), WINE (its
# loader), WINELOADER, WINEARCH and WINEPREFIX.
choose_flavour() {
  use_utf8_locale
  if "$WINE32_LOADER" --version >/dev/null 2>&1; then
    FLAVOUR=win32
    WINE=$WINE32_LOADER
    echo "tessaline: this machine runs 32-bit code: win32 runs under wine; win64 is built only"
  else
    FLAVOUR=win64
    WINE=$WINE64_LOADER
    local why
    if [ ! -e "$WINE32_LOADER" ]; then
      why="the 32-bit Wine loader ($WINE32_LOADER) is missing"
    else
      why="the kernel can't run the 32-bit Wine loader ($WINE32_LOADER)"
    fi
    echo "tessaline: $why: win32 is built only; win64 runs under wine64"
  fi
  BUILD=$(flavour_dir "$FLAVOUR")
  export WINELOADER=$WINE
  export WINEARCH=$FLAVOUR
  export WINEPREFIX="$TOP/build/wineprefix-$FLAVOUR"
}

# Configures (once) and builds one flavour; further arguments go to the build.
build_flavour() {
  local flavour=$1; shift
  local dir toolchain
  dir=$(flavour_dir "$flavour")
  case "$flavour" in
    win32) toolchain=mingw-i686 ;;
    win64) toolchain=mingw-x86_64 ;;
  esac
  mkdir -p "$TOP/build"
  # Configured every time (quick once cached), so that targets added since
  # the last build are known to --target.
  # A build folder of a checkout that was moved or copied names another
  # source or build folder: CMake refuses it, so it is configured afresh.
  if [ -f "$dir/CMakeCache.txt" ]; then
    local home cached
    home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$dir/CMakeCache.txt")
    cached=$(sed -n 's/^CMAKE_CACHEFILE_DIR:INTERNAL=//p' "$dir/CMakeCache.txt")
    if [ "$home" != "$TOP" ] || [ "$cached" != "$dir" ]; then
      echo "tessaline: $dir was configured for $home: configuring it afresh"
      rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
  fi
  local first=()
  [ -f "$dir/CMakeCache.txt" ] || first=(-DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=Release)
  cmake -S "$TOP" -B "$dir" "${first[@]}" >"$TOP/build/configure-$flavour.log" 2>&1 \
    || { cat "$TOP/build/configure-$flavour.log"; return 1; }
  cmake --build "$dir" -j"$(nproc)" "$@" >"$TOP/build/build-$flavour.log" 2>&1 \
    || { echo "build of $flavour failed:" >&2
         grep -E -B2 -A6 'error|Error' "$TOP/build/build-$flavour.log" | head -80; return 1; }
}

# Builds both flavours, the one that runs first; arguments as build_flavour.
build_all() {
  local other=win64
  [ "$FLAVOUR" = win64 ] && other=win32
  build_flavour "$FLAVOUR" "$@" && build_flavour "$other" "$@"
}

# Creates the prefix once, with a CJK font linked to the dialog fonts, and
# the symbol font that draws the caption buttons and the system menu's marks
# (Wine's own, from fonts-wine, which the prefix does not find by itself).
prepare_prefix() {
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -d "$WINEPREFIX/drive_c/windows" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  fi
  if [ ! -f "$WINEPREFIX/.tessaline-fonts" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
      "$WINE" reg add "$key" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    done
    wineserver -w
    if [ -f "$marlett" ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
    fi
    touch "$WINEPREFIX/.tessaline-fonts"
  fi
}

# Empties the temporary folders of the prefix: what tests or an interrupted
# run left behind.
empty_prefix_temp() {
  local temp
  for temp in "$WINEPREFIX"/drive_c/users/*/Temp "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp; do
    [ -d "$temp" ] && find "$temp" -mindepth 1 -delete 2>/dev/null
  done
  return 0
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
