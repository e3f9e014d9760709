# Sourced by run.sh and screenshot.sh: finds the program's window on the X display and
# photographs it once it has been drawn.

# Prints the X id of Vorna's main window once it is mapped with its real size; fails after
# the timeout (seconds).
vorna_wait_window() {
    local timeout="${1:-60}" start=$SECONDS id
    while [ $((SECONDS - start)) -lt "$timeout" ]; do
        id=$(xwininfo -root -tree 2>/dev/null |
            awk '/"vorna.exe"/ && $0 !~ / 1x1\+/ && $0 !~ /Default IME/ { print $1; exit }')
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# Saves the window (X id $1) as PNG $2 once its picture is no longer blank.
vorna_snap_window() {
    local id="$1" out="$2" start=$SECONDS spread
    while [ $((SECONDS - start)) -lt 30 ]; do
        if import -silent -window "$id" "$out" 2>/dev/null; then
            spread=$(convert "$out" -format '%[fx:standard_deviation > 0.05 ? 1 : 0]' info: 2>/dev/null)
            [ "$spread" = 1 ] && return 0
        fi
        sleep 0.2
    done
    return 1
}
