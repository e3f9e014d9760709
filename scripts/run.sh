#!/usr/bin/env bash
# Builds Vorna.exe and runs it under Wine (code page 936) in examples/, so the example
# entry file super.vendu loads at start-up. Without a display it starts a virtual one,
# saves a screenshot of the window after start-up, says where, and ends the program
# (VORNA_KEEP_RUNNING=1 keeps it running until Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Vorna -j 2

source scripts/wine-env.sh
source scripts/vorna-window.sh
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    headless=1
fi
vorna_ensure_display
trap vorna_stop_wine EXIT
vorna_start_wine

exe="$root/build/windows/app/Vorna.exe"
cd "$root/examples"
if [ "$headless" = 0 ]; then
    echo "Vorna runs on $DISPLAY: Esc closes it."
    "$WINELOADER" "$exe"
    exit 0
fi

"$WINELOADER" "$exe" &
id=$(vorna_wait_window 60) || { echo "run: the window did not appear" >&2; exit 1; }
shot="$root/build/run-screenshot.png"
vorna_snap_window "$id" "$shot" || { echo "run: the window was not drawn" >&2; exit 1; }
echo "Vorna started on the virtual display $DISPLAY; screenshot of its window: $shot"
if [ "${VORNA_KEEP_RUNNING:-0}" = 1 ]; then
    echo "Running until Ctrl+C."
    wait
fi
