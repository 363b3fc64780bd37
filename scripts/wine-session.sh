# Sourced by the scripts that run Windows programs: starts a private X server
# (Xvfb) unless USE_DISPLAY is set, and a private Wine prefix, and stops both
# on exit. Sets DISPLAY, WINEPREFIX, LC_ALL, WINE64 and WINE32 (empty when
# 32-bit Windows programs cannot run on this machine).
# Usage: source scripts/wine-session.sh PREFIX_DIR
wine_session_prefix=$1
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=$wine_session_prefix
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
repo_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE64=$("$repo_scripts/find-wine.sh" 8664) || { echo "wine-session: Wine is missing" >&2; return 1; }
WINE32=$("$repo_scripts/find-wine.sh" 014c 2>/dev/null) || WINE32=""
export WINE64 WINE32

# Starts Xvfb on the first free display from :90 to :140 and exports DISPLAY.
# Other sessions may start servers at the same time: a server that loses its
# display to one of them exits, and the next display is tried.
wine_session_start_xvfb() {
    local n
    for n in $(seq 90 140); do
        if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then
            continue
        fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        wine_session_xvfb=$!
        for _ in $(seq 50); do
            kill -0 "$wine_session_xvfb" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$wine_session_xvfb" 2>/dev/null || true
        wine_session_xvfb=""
    done
    echo "wine-session: no free X display from :90 to :140 (each has a server, or a lock" \
        "file /tmp/.X<n>-lock, left from one); stop those servers or remove stale lock" \
        "files, or set USE_DISPLAY to a display to use" >&2
    return 1
}

if [ -z "${USE_DISPLAY:-}" ]; then
    wine_session_start_xvfb || return 1
else
    export DISPLAY=$USE_DISPLAY
fi

wine_session_stop() {
    WINEPREFIX=$wine_session_prefix "$(dirname "$WINE64")/wineserver" -k >/dev/null 2>&1 || true
    [ -n "${wine_session_xvfb:-}" ] && kill "$wine_session_xvfb" 2>/dev/null || true
}
trap wine_session_stop EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$(dirname "$WINE64")/wineserver" -w
fi
