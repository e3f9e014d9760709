# Sourced by the scripts that run Windows binaries: a Wine prefix, code page 936, a display.
# Everything is kept under build/ so a run never touches the user's own Wine setup.

VORNA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="${WINEPREFIX:-$VORNA_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Wine takes the ANSI code page from the locale: zh_CN gives 936.
export LC_ALL=zh_CN.UTF-8

# Starts a virtual display unless one is reachable already. Sets VORNA_XVFB_PID when it did.
vorna_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        VORNA_XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 1 100); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$VORNA_XVFB_PID" 2>/dev/null || true
    done
    echo "no virtual display could be started" >&2
    return 1
}

# Creates the prefix on first use and keeps one wine server for the whole run, so each
# later process starts in a fraction of a second.
vorna_start_wine() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
        # The server wineboot brought up ends on its own once its programs have gone, and
        # would refuse the kept one: a program started as it ends loses its connection.
        "$WINESERVER" -w >/dev/null 2>&1 || true
    fi
    "$WINESERVER" -p >/dev/null 2>&1 || true
    "$WINELOADER" cmd /c exit >/dev/null 2>&1 || true
    vorna_wine_fonts
    vorna_wine_window_manager
}

# Without a window manager (a virtual display) Wine waits up to 2 s for one each time a
# captioned window is hidden or closed; there Wine places its windows itself.
vorna_wine_window_manager() {
    local want=N
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && want=Y
    [ "$(cat "$WINEPREFIX/.vorna-managed" 2>/dev/null)" = "$want" ] && return 0
    "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$want" /f \
        >/dev/null 2>&1 && echo "$want" >"$WINEPREFIX/.vorna-managed"
}

# The dialogs ask for the font "宋体" (SimSun), which Linux lacks: Wine draws it with the CJK
# font of fonts-wqy-zenhei instead. Written once per prefix.
vorna_wine_fonts() {
    local key='HKCU\Software\Wine\Fonts\Replacements' face
    grep -q 'WenQuanYi Zen Hei' "$WINEPREFIX/user.reg" 2>/dev/null && return 0
    for face in 宋体 SimSun 新宋体 NSimSun; do
        "$WINELOADER" reg add "$key" /v "$face" /t REG_SZ /d 'WenQuanYi Zen Hei' /f >/dev/null 2>&1 || true
    done
}

vorna_stop_wine() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "${VORNA_XVFB_PID:-}" ]; then
        kill "$VORNA_XVFB_PID" 2>/dev/null || true
    fi
}
