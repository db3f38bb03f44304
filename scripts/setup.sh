#!/usr/bin/env bash
# Installs what building and running the program needs on a Debian machine.
# Idempotent and quiet when everything is already present.
#
# The 32-bit Wine is installed apart from the rest: where it can't be had
# (an i386 package index out of step, say), setup says so in one line with the
# reason, installs everything else and the scripts go the 64-bit way; the next
# run tries again. TESSALINE_WINE32_PACKAGE names that package (tests point it
# at one that can't be installed).
set -euo pipefail

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

wine32_pkg=${TESSALINE_WINE32_PACKAGE:-wine32:i386}
pkgs=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xauth
      fonts-wqy-microhei fonts-wine imagemagick googletest x11-utils lame)
need=()
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done
need_wine32=0
have_pkg "$wine32_pkg" || need_wine32=1
[ ${#need[@]} -eq 0 ] && [ $need_wine32 -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# One of apt's error lines, without its "E: ", the address it fetched and the
# server's address, in at most 160 characters.
apt_line() { cut -c4- | sed -E 's/Failed to fetch [^ ]+ +//; s/ *\[IP: [^]]*\]//' | cut -c1-160; }

# apt-get update exits 0 even when some index could not be fetched (a mirror
# mid-sync); it is tried a few times, then setup goes on with what it has.
for attempt in 1 2 3; do
  $SUDO apt-get update -qq >"$log" 2>&1 || true
  grep -q '^E:' "$log" || break
  if [ $attempt -lt 3 ]; then
    sleep $((attempt * 5))
  else
    echo "setup: some package indexes could not be fetched ($(grep -m1 '^E:' "$log" | apt_line)); going on with the rest"
  fi
done

# The last error line apt printed, shortened to one line.
apt_reason() { grep '^E:' "$log" | tail -n1 | apt_line; }

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >"$log" 2>&1; then
    echo "setup: could not install ${need[*]}: $(apt_reason)" >&2
    exit 1
  fi
fi

if [ $need_wine32 -eq 1 ]; then
  echo "setup: installing $wine32_pkg"
  if ! $SUDO apt-get install -y -qq --no-install-recommends "$wine32_pkg" >"$log" 2>&1; then
    echo "setup: the 32-bit Wine ($wine32_pkg) can't be installed now ($(apt_reason)); going the 64-bit way, the next run tries again"
  fi
fi
exit 0
