#!/usr/bin/env bash
# Builds Vorna.exe and runs it under Wine (code page 936) in examples/, so the example
# entry file super.vendu loads at start-up. Without a display it starts a virtual one,
# saves a screenshot of the window once it is completely painted, says where, and ends the
# program (VORNA_KEEP_RUNNING=1 keeps it running until Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/vorna-window.sh

vorna_build_program
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    headless=1
fi
vorna_start_session

if [ "$headless" = 0 ]; then
    echo "Vorna runs on $DISPLAY: Esc closes it."
    cd examples
    "$WINELOADER" "$VORNA_EXE"
    exit 0
fi

shot="$VORNA_ROOT/build/run-screenshot.png"
vorna_photograph "$shot" || { echo "run: no screenshot of the window" >&2; exit 1; }
echo "Vorna started on the virtual display $DISPLAY; screenshot of its window: $shot"
if [ "${VORNA_KEEP_RUNNING:-0}" = 1 ]; then
    echo "Running until Ctrl+C."
    wait
fi
