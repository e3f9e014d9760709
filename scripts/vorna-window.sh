# Sourced by run.sh and screenshot.sh: builds the program, starts it under Wine with the
# example notes, and photographs its window once it is completely painted.

VORNA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VORNA_EXE="$VORNA_ROOT/build/windows/app/Vorna.exe"
VORNA_PROBE="$VORNA_ROOT/build/windows/tests/e2e/vorna_window_probe.exe"

# Installs what is missing and builds Vorna.exe with the probe that reports its window.
vorna_build_program() {
    bash "$VORNA_ROOT/scripts/setup.sh"
    cmake --preset windows -S "$VORNA_ROOT" >/dev/null
    cmake --build "$VORNA_ROOT/build/windows" --target Vorna vorna_window_probe -j 2
}

# A display (a virtual one when none is reachable) and one wine server for the session;
# both end when the calling script exits.
vorna_start_session() {
    source "$VORNA_ROOT/scripts/wine-env.sh"
    vorna_ensure_display || return 1
    trap vorna_stop_wine EXIT
    vorna_start_wine
}

# Starts Vorna.exe in examples/ in the background, so that super.vendu loads at start-up.
vorna_start_program() {
    (cd "$VORNA_ROOT/examples" && exec "$WINELOADER" "$VORNA_EXE") &
    VORNA_PID=$!
}

# The X id of Vorna's main window, when it is mapped with its real size.
vorna_x_window() {
    xwininfo -root -tree 2>/dev/null |
        awk '/"vorna.exe"/ && $0 !~ / 1x1\+/ && $0 !~ /Default IME/ { print $1; exit }'
}

# Whether every control the probe listed in $1 shows more than one colour in picture $2:
# a control not drawn yet is a plain patch of the background. Prints the ones that do not.
vorna_undrawn_controls() {
    local layout="$1" picture="$2" kind id x y w h pending colours undrawn=""
    while read -r kind id x y w h pending; do
        [ "$kind" = control ] || continue
        colours=$(convert "$picture" -crop "${w}x${h}+${x}+${y}" +repage -format '%k' info: \
            2>/dev/null)
        [ "${colours:-0}" -gt 1 ] || undrawn+=" $id"
    done <<<"$layout"
    echo "$undrawn"
}

# Saves Vorna's window as PNG $1 once it is completely painted: no control waits for a
# repaint, every control is drawn, and two captures in a row are identical. Fails, saying
# what was missing, when that does not happen within $2 seconds (default 60).
vorna_snap_window() {
    local out="$1" timeout="${2:-60}" start=$SECONDS id layout why="the window did not appear"
    local first="$out.first.png" second="$out.second.png" undrawn
    while [ $((SECONDS - start)) -lt "$timeout" ]; do
        sleep 0.2
        id=$(vorna_x_window)
        [ -n "$id" ] || continue
        # The probe finds the window once the program's start-up (its load) has ended.
        layout=$("$WINELOADER" "$VORNA_PROBE" 2>/dev/null | tr -d '\r') || {
            why="the program's start-up did not end"
            continue
        }
        if grep -q ' 1$' <<<"$layout"; then
            why="controls still waiting to be painted:$(awk '/ 1$/ { printf " %s", $2 }' <<<"$layout")"
            continue
        fi
        # Back to back, so that only drawing still going on (or the caret's blink) tells
        # them apart.
        import -silent -window "$id" "$first" 2>/dev/null &&
            import -silent -window "$id" "$second" 2>/dev/null || continue
        if [ "$(compare -metric AE "$first" "$second" null: 2>&1)" != 0 ]; then
            why="the picture still changed between two captures"
            continue
        fi
        undrawn=$(vorna_undrawn_controls "$layout" "$second")
        if [ -n "$undrawn" ]; then
            why="controls not drawn:$undrawn"
            continue
        fi
        mv "$second" "$out"
        rm -f "$first"
        return 0
    done
    rm -f "$first" "$second"
    echo "vorna-window: no complete picture of the window in $timeout s: $why" >&2
    return 1
}

# Starts the program and photographs its window into $1.
vorna_photograph() {
    vorna_start_program
    vorna_snap_window "$1"
}
