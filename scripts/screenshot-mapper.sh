#!/usr/bin/env bash
# Takes a screenshot of mapper.exe's main window with a few keys bound and a
# Japanese set name, under a private Xvfb and Wine prefix; saves
# docs/mapper-main.png.
# Usage: scripts/screenshot-mapper.sh [BUILD_DIR]   (default build/screenshot-win64)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-$root/build/screenshot-win64}
if [ ! -f "$build/mapper/ui/mapper.exe" ]; then
    scripts/setup.sh
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
    cmake --build "$build" -j 2 --target mapper
fi

# A Japanese font, without which Wine draws the texts as boxes.
if ! fc-list :lang=ja 2>/dev/null | grep -q .; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y -q --no-install-recommends fonts-ipafont-gothic >/dev/null ||
        { $sudo apt-get update -q >/dev/null &&
          $sudo apt-get install -y -q --no-install-recommends fonts-ipafont-gothic >/dev/null; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/mapper/ui/mapper.exe" "$work/"
# Top.ini in Shift-JIS: one set named シューティング with the stick on the
# cursor keys and four buttons bound, in Normal mode.
python3 - "$work/Top.ini" <<'PY'
import sys
keys = {(0, 0): 38, (1, 0): 40, (2, 0): 37, (3, 0): 39, (4, 0): 90, (4, 1): 16,
        (5, 0): 88, (6, 0): 32, (7, 0): 13, (8, 1): 96, (11, 0): 18}
lines = ["[PAMURO]", "SETKEYCOUNT=0", "[KEYSETNAME]", "KEYSETNAME 0=シューティング", "[KEYSET]"]
for (slot, key), code in sorted(keys.items()):
    lines.append("KEYSET 0-%2d-%2d=%d" % (slot, key, code))
lines += ["[SETTING]", "SetKeyDownMode=1", "SetSleep=1"]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
PY

source scripts/wine-session.sh "$root/build/screenshot-wineprefix"
(cd "$work" && "$WINE64" "$work/mapper.exe" >/dev/null 2>&1 &)
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
sleep 1.5
mkdir -p docs
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
# Leaving ends the Wine session (wine-session.sh), and mapper with it.
