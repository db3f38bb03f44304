#!/usr/bin/env bash
# Imitates the two ways a machine can lack the 32-bit Wine and shows what the
# set-up and the flavour choice say: a 32-bit Wine package that can't be
# installed (a name that points elsewhere), and a loader that is missing or
# can't run. Exits non-zero when a line is not as expected.
set -uo pipefail
source "$(dirname "$0")/env.sh"
fail=0
expect() {  # expect WHAT PATTERN OUTPUT
  if printf '%s\n' "$3" | grep -q -- "$2"; then
    echo "ok: $1"
  else
    echo "NOT OK: $1: expected /$2/ in:"; printf '%s\n' "$3" | sed 's/^/  /'; fail=1
  fi
}
out=$(TESSALINE_WINE32_PACKAGE=tessaline-no-such-wine32:i386 "$TOP/scripts/setup.sh" 2>&1); rc=$?
expect "an uninstallable 32-bit Wine is one line and set-up goes on" \
  "the 32-bit Wine (tessaline-no-such-wine32:i386) can't be installed now (.*); going the 64-bit way" "$out"
[ $rc -eq 0 ] || { echo "NOT OK: set-up exited $rc"; fail=1; }
out=$(TESSALINE_WINE32_LOADER=/nonexistent/wine bash -c 'source "$1/scripts/env.sh"; choose_flavour' _ "$TOP" 2>&1)
expect "a missing loader is named" "the 32-bit Wine loader (/nonexistent/wine) is missing: win32 is built only" "$out"
out=$(TESSALINE_WINE32_LOADER=/bin/false bash -c 'source "$1/scripts/env.sh"; choose_flavour' _ "$TOP" 2>&1)
expect "a loader that can't run is named" "the kernel can't run the 32-bit Wine loader (/bin/false)" "$out"
exit $fail
