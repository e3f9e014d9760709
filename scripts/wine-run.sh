#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's prefix and code page 936.
# CMake uses it as the emulator of the cross build's test binaries.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
exec "$WINELOADER" "$@"
