#!/usr/bin/env bash
# Prints the Wine loader that runs Windows programs of the given machine type
# (8664 for x86_64, 014c for i686), or says why there is none and exits 1.
set -u
case "${1:-8664}" in
8664) candidates="wine64 /usr/lib/wine/wine64 /usr/lib64/wine/wine64 wine" ;;
014c) candidates="/usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine wine" ;;
*) echo "find-wine: unknown machine type $1" >&2; exit 1 ;;
esac
for c in $candidates; do
    path=$(command -v "$c" 2>/dev/null) || continue
    # A loader the kernel cannot execute (a 32-bit one on a kernel without
    # 32-bit support) fails at once with "Exec format error".
    if "$path" --version >/dev/null 2>&1; then
        echo "$path"
        exit 0
    fi
done
echo "find-wine: no working Wine loader for machine type $1" >&2
exit 1
