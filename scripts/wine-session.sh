#!/usr/bin/env bash
# Runs a command that starts many Windows programs one after another with one wine session
# kept for all of them. Without a running wine server each program start brings up the server
# and Wine's own background programs, and they go away when the program ends: about 3 s a
# start here, against a fraction of a second in a kept session. A server already running
# (scripts/test.sh keeps one) is used as it is; one started here is stopped at the end.
# Usage: bash scripts/wine-session.sh COMMAND...
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$WINEPREFIX"
started=0
# The server refuses to start (status 2) when one runs for this prefix already.
if "$WINESERVER" -p >/dev/null 2>&1; then
    started=1
    # Bring up Wine's background programs once, with no pipe of the caller attached.
    "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
status=0
"$@" || status=$?
if [ "$started" = 1 ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
fi
exit "$status"
