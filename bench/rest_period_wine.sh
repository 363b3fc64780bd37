#!/bin/bash
# Prints how long mapper's polling thread really rests under Wine for
# SetSleep 0, 1 and 5, beside plain Sleep measured in the same run. Builds the
# x86_64 cross build's rest_period_bench_windows.exe first.
# Usage: bench/rest_period_wine.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win64
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
fi
ninja -C "$build" rest_period_bench_windows >/dev/null
source scripts/wine-session.sh "$PWD/$build/wineprefix"
"$WINE64" "$build/tests/wine/rest_period_bench_windows.exe" "$@"
