#!/usr/bin/env bash
# Makes docs/screenshot.png from the real program: builds Vorna.exe, starts it on a fresh
# virtual display in examples/ and photographs its window once it is completely painted.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/vorna-window.sh

vorna_build_program
# A display of our own, so the picture does not depend on the desktop around it.
unset DISPLAY
vorna_start_session

mkdir -p docs
vorna_photograph "$VORNA_ROOT/docs/screenshot.png" ||
    { echo "screenshot: no picture of the window" >&2; exit 1; }
echo "wrote docs/screenshot.png"
