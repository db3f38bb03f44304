#!/usr/bin/env bash
# Builds both flavours and runs every test of the one this machine can run
# under Wine, with Xvfb for the windows.
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$TOP/scripts/setup.sh"
choose_flavour
build_all
prepare_prefix
empty_prefix_temp
unset DISPLAY
start_display
# One wine server for the whole run, so each test starts quickly; ended at
# exit unless it was already running before.
if wineserver -p 2>/dev/null; then
  trap 'wineserver -k >/dev/null 2>&1 || true; stop_display; empty_prefix_temp' EXIT
else
  trap 'stop_display; empty_prefix_temp' EXIT
fi
# Start the prefix's background processes now, detached from ctest's pipes:
# started by a test instead, they would hold its output open.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
cd "$BUILD"
# ctest lists each executable's tests by running it; a listing that hangs
# (Wine now and then does at a process's exit, mostly in a new prefix) would
# end the whole run, so the lists are made first, with retries, and kept.
for attempt in 1 2 3; do
  ctest -N >/dev/null 2>&1 && break
  echo "test listing failed (attempt $attempt); trying again"
done
# A test that fails is run once more: under load Wine now and then ends a
# finished test process with a crash of its own. A real fault fails twice.
ctest --output-on-failure --timeout 300 --repeat until-pass:2 -j"${TEST_JOBS:-2}" "$@"
