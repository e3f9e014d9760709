#!/usr/bin/env bash
# Makes docs/screenshot.png from the real program: builds Vorna.exe, starts it on a fresh
# virtual display in examples/ and photographs its window after start-up.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Vorna -j 2

source scripts/wine-env.sh
source scripts/vorna-window.sh
# A display of our own, so the picture does not depend on the desktop around it.
unset DISPLAY
vorna_ensure_display
trap vorna_stop_wine EXIT
vorna_start_wine

cd "$root/examples"
"$WINELOADER" "$root/build/windows/app/Vorna.exe" &
id=$(vorna_wait_window 60) || { echo "screenshot: the window did not appear" >&2; exit 1; }
mkdir -p "$root/docs"
vorna_snap_window "$id" "$root/docs/screenshot.png" ||
    { echo "screenshot: the window was not drawn" >&2; exit 1; }
echo "wrote docs/screenshot.png"
