#!/bin/bash
# Prints how long mapper's polling thread really rests under Wine for
# SetSleep 0, 1 and 5, beside plain Sleep measured in the same run. Builds the
# x86_64 cross build's rest_period_bench_windows.exe first.
# Usage: bench/rest_period_wine.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/wine_bench_session.sh rest_period_bench_windows
"$WINE64" "$build/tests/wine/rest_period_bench_windows.exe" "$@"
