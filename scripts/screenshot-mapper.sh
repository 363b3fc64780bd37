#!/usr/bin/env bash
# Photographs mapper.exe under a private Xvfb and Wine prefix, the way a user
# meets it: started in the tray with three Japanese-named key sets, the tray
# icon's popup (docs/mapper-tray-menu.png); restored by a left click, the main
# window with a few keys bound (docs/mapper-main.png), the key capture window
# (docs/mapper-capture.png), the name dialog with a name being typed
# (docs/mapper-name-dialog.png) and the settings dialog
# (docs/mapper-settings-dialog.png).
# Usage: scripts/screenshot-mapper.sh [BUILD_DIR]   (default build/screenshot-win64)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-$root/build/screenshot-win64}
scripts/setup.sh
if [ ! -f "$build/mapper/ui/mapper.exe" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
    cmake --build "$build" -j 2 --target mapper
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/mapper/ui/mapper.exe" "$work/"
# Top.ini in Shift-JIS: three sets, the first named シューティング with the
# stick on the cursor keys, the right stick on I, K, J and L, and buttons
# bound (Esc on button 10, the Options or Plus button of many pads), buttons
# 1 and 2 firing rapidly at 15 and 10 a second, in Normal mode with a sleep
# of 1 ms and a shortest press of 30 ms.
python3 - "$work/Top.ini" <<'PY'
import sys
keys = {(0, 0): 38, (1, 0): 40, (2, 0): 37, (3, 0): 39, (4, 0): 90, (4, 1): 16,
        (5, 0): 88, (6, 0): 32, (7, 0): 13, (8, 1): 96, (11, 0): 18, (13, 0): 27,
        (20, 0): 73, (21, 0): 75, (22, 0): 74, (23, 0): 76}
lines = ["[PAMURO]", "SETKEYCOUNT=2", "[KEYSETNAME]", "KEYSETNAME 0=シューティング",
         "KEYSETNAME 1=レース", "KEYSETNAME 2=パズル", "[KEYSET]"]
for (slot, key), code in sorted(keys.items()):
    lines.append("KEYSET 0-%2d-%2d=%d" % (slot, key, code))
# Button 9 is a "shift" button: レース's keys while it is held.
lines += ["[SETTING]", "SetKeyDownMode=1", "SetSleep=1", "MinPressMs=30",
          "[TURBO]", "TURBO 0- 4=15", "TURBO 0- 5=10", "[ACTION]", "ACTION 0-12=HOLD 1"]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
PY

source scripts/wine-session.sh "$root/build/screenshot-wineprefix"
mkdir -p docs
scripts/wine-fonts.sh "$WINE64"
(cd "$work" && "$WINE64" "$work/mapper.exe" /T >/dev/null 2>&1 &)
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Pamuro - ' 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    # Without a joystick the program warns first; answer it.
    xdotool search --name '^(Error|エラー)$' >/dev/null 2>&1 && xdotool key Return
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "screenshot-mapper: the main window did not appear" >&2
    exit 1
fi

# With no tray of its own on the X display, Wine shows the notification area
# as the "Wine System Tray" window; the icon is its first 20 pixels.
tray=$(xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -1) || true
if [ -z "$tray" ]; then
    echo "screenshot-mapper: no tray icon window" >&2
    exit 1
fi
# The popup is the only visible window of mapper.exe without a name.
popup_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^mapper\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; return; }
    done
}
# Right-clicked near the icon's lower edge, so the popup opens below it.
xdotool mousemove --window "$tray" 10 19 click 3
popup=""
for _ in $(seq 40); do
    popup=$(popup_window)
    [ -n "$popup" ] && break
    sleep 0.25
done
if [ -n "$popup" ]; then
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$popup")"
    # The icon and the popup that opened at it, with a margin.
    import -window root -crop "$((X + WIDTH + 8))x$((HEIGHT + 30))+0+$((Y - 22))" \
        +repage docs/mapper-tray-menu.png
    echo "screenshot-mapper: saved docs/mapper-tray-menu.png"
    # A click outside closes the popup.
    xdotool mousemove 600 600 click 1
    sleep 0.5
else
    echo "screenshot-mapper: the tray popup did not open; no docs/mapper-tray-menu.png" >&2
fi
# A left click on the icon restores the main window. Wine maps it before it
# is drawn: wait until its top-left corner shows the window's blue
# background, RGB(105, 153, 205).
xdotool mousemove --window "$tray" 10 10 click 1
for _ in $(seq 60); do
    if xdotool search --onlyvisible --name '^Pamuro - ' >/dev/null 2>&1; then
        eval "$(xdotool getwindowgeometry --shell "$window")"
        import -window root -crop "1x1+$((X + 2))+$((Y + 2))" txt:- 2>/dev/null |
            grep -qi '#6999CD' && break
    fi
    sleep 0.25
done
sleep 0.5
import -window "$window" docs/mapper-main.png
echo "screenshot-mapper: saved docs/mapper-main.png"

# The key capture window, opened with the first "変更" button (client 220,20).
# The Return that answered the joystick warning is still "pressed since the
# last query" for the whole desktop, so the first capture ends by itself with
# it; the second one waits for a key and can be photographed.
capture_window() {
    xdotool search --onlyvisible --name '^キー登録$' 2>/dev/null | head -1 || true
}
xdotool mousemove --window "$window" 247 31 click 1
for _ in $(seq 40); do
    sleep 0.25
    [ -z "$(capture_window)" ] && break
done
if [ -z "$(capture_window)" ]; then
    xdotool mousemove --window "$window" 247 31 click 1
    sleep 1.5
fi
capture=$(capture_window)
if [ -n "$capture" ]; then
    import -window "$capture" docs/mapper-capture.png
    echo "screenshot-mapper: saved docs/mapper-capture.png"
else
    echo "screenshot-mapper: the capture window did not stay open; no docs/mapper-capture.png" >&2
fi
# Its "キャンセル" button (client 390,45, 100 x 25) ends the capture.
[ -n "$capture" ] && xdotool mousemove --window "$capture" 440 57 click 1
sleep 0.5

# A dialog of mapper.exe by its title, once it is visible.
wait_dialog() {
    local dialog=""
    for _ in $(seq 40); do
        dialog=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
        [ -n "$dialog" ] && break
        sleep 0.25
    done
    echo "$dialog"
}

# The name dialog from the "名前" button (client 70,650, 40 x 25), with a
# name being typed.
xdotool mousemove --window "$window" 90 662 click 1
dialog=$(wait_dialog 名前設定)
if [ -n "$dialog" ]; then
    xdotool windowfocus --sync "$dialog" type --delay 40 'Shooting 2'
    sleep 0.5
    import -window "$dialog" docs/mapper-name-dialog.png
    echo "screenshot-mapper: saved docs/mapper-name-dialog.png"
    xdotool key Escape
    sleep 0.5
else
    echo "screenshot-mapper: the name dialog did not open; no docs/mapper-name-dialog.png" >&2
fi

# The settings dialog from the "設定" button (client 370,650, 40 x 25).
xdotool mousemove --window "$window" 390 662 click 1
dialog=$(wait_dialog 環境設定)
if [ -n "$dialog" ]; then
    sleep 0.5
    import -window "$dialog" docs/mapper-settings-dialog.png
    echo "screenshot-mapper: saved docs/mapper-settings-dialog.png"
    xdotool windowfocus --sync "$dialog" key Escape
else
    echo "screenshot-mapper: the settings dialog did not open; no docs/mapper-settings-dialog.png" >&2
fi
# Leaving ends the Wine session (wine-session.sh), and mapper with it.
