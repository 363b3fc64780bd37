#!/usr/bin/env bash
# Runs a Windows program under Wine: the 64-bit loader for PE32+ files, the
# 32-bit one for PE32 files. The test script sets WINEPREFIX, DISPLAY and the
# locale; without them this falls back to Wine's defaults.
set -u
exe=$1
shift
machine() {
    local pe
    pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t x2 -j $((pe + 4)) -N 2 "$1" | tr -d ' '
}
case "$(machine "$exe")" in
8664) loader=${WINE64:-} ;;
014c) loader=${WINE32:-} ;;
*) echo "wine-run: $exe is not a Windows program" >&2; exit 2 ;;
esac
if [ -z "$loader" ]; then
    loader=$("$(dirname "$0")/../scripts/find-wine.sh" "$(machine "$exe")") || exit 2
fi
exec "$loader" "$exe" "$@"
