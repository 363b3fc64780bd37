#!/bin/bash
# Prints the rates the game (the key logger) sees for rapid fire at 5, 15 and
# 30 presses a second, with the test pad under Wine, and the lengths of the
# down and up phases. Builds the x86_64 cross build's
# rapid_fire_bench_windows.exe first.
# Usage: bench/rapid_fire_wine.sh [seconds held] [SetSleep]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/wine_bench_session.sh rapid_fire_bench_windows
# From its own folder: mapper.exe and the key logger lie there, and the test
# winmm.dll is loaded instead of Wine's.
cd "$build/tests/wine/rapid_fire_bench"
WINEDLLOVERRIDES="winmm=n;mscoree,mshtml=" "$WINE64" rapid_fire_bench_windows.exe "$@"
