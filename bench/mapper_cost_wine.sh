#!/bin/bash
# Prints mapper.exe's own processor time under Wine with the test pad at
# SetSleep 0, 1 and 5, side by side in one run, beside a loop that only yields
# between reads (SetSleep 0 as it was), and the time from the pad read that
# sees the stick pushed to the game's key message. Builds the x86_64 cross
# build's mapper_cost_bench_windows.exe first.
# Usage: bench/mapper_cost_wine.sh [seconds] [presses]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/wine_bench_session.sh mapper_cost_bench_windows
# From its own folder: mapper.exe and the key logger lie there, and the test
# winmm.dll is loaded instead of Wine's.
cd "$build/tests/wine/mapper_cost_bench"
WINEDLLOVERRIDES="winmm=n;mscoree,mshtml=" "$WINE64" mapper_cost_bench_windows.exe "$@"
