#!/usr/bin/env bash
# Builds mapper.exe (x86_64 cross build) and starts it under Wine on your
# display, with a Wine prefix of its own and ~/.local/share/pamuro as the
# working folder, where Top.ini is kept.
# Usage: scripts/run-mapper.sh [/T]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${DISPLAY:-}" ]; then
    echo "run-mapper: DISPLAY is not set; mapper.exe needs an X display to show its window." >&2
    exit 1
fi

scripts/setup.sh
build=$root/build/run-mapper-win64
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$build" -j 2 --target mapper

data=${PAMURO_HOME:-$HOME/.local/share/pamuro}
export WINEPREFIX=${PAMURO_WINEPREFIX:-$data/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The Japanese locale gives Wine code page 932, in which Top.ini is written.
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    export LC_ALL=ja_JP.UTF-8
fi
wine=$(scripts/find-wine.sh 8664)
mkdir -p "$data"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run-mapper: creating the Wine prefix $WINEPREFIX (takes a few seconds)"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$(dirname "$wine")/wineserver" -w
fi
scripts/wine-fonts.sh "$wine"
cp "$build/mapper/ui/mapper.exe" "$build/mapper/ui/pamuro-help.html" "$data/"
cd "$data"
echo "run-mapper: Top.ini lives in $data"
exec "$wine" "$data/mapper.exe" "$@"
