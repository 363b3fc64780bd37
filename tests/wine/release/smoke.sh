#!/usr/bin/env bash
# A release zip as a player gets it: unpacks it into an empty folder, checks
# what it holds (the five files, the read-me and licence as Windows editors
# want them, self-contained programs of the zip's architecture), then runs
# both programs from that folder under Wine with release_smoke_tests.exe of
# BUILD (a cross build of the same architecture).
#
#   tests/wine/release/smoke.sh dist/pamuro-<version>-<arch>.zip BUILD
#
# Runs inside the caller's Wine session (scripts/wine-session.sh) when there
# is one, else in a private one. The i686 zip runs only where 32-bit Wine
# works; elsewhere the run is skipped with a message, after the other checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
[ $# = 2 ] || { echo "usage: $0 ZIP BUILD" >&2; exit 2; }
zip=$(realpath "$1")
build=$(realpath "$2")
name=$(basename "$zip" .zip)
case "$name" in
*-x86_64) arch=x86_64 machine=8664 format=pei-x86-64 ;;
*-i686) arch=i686 machine=014c format=pei-i386 ;;
*) echo "release smoke: $zip is not a pamuro-<version>-<arch>.zip" >&2; exit 2 ;;
esac

unpacked=$(mktemp -d "${TMPDIR:-/tmp}/pamuro-release.XXXXXX")
cleanup() { rm -rf "$unpacked"; }
trap cleanup EXIT
fail() { echo "release smoke: $name: $*" >&2; exit 1; }

(cd "$unpacked" && unzip -q "$zip")
[ "$(ls -A "$unpacked")" = "$name" ] || fail "the zip must hold one folder, $name"
folder=$unpacked/$name
contents=$(cd "$folder" && ls -A | sort | tr '\n' ' ')
[ "$contents" = "LICENSE.txt disabler.exe mapper.exe pamuro-help.html readme.txt " ] ||
    fail "unexpected contents: $contents"

# Notepad of older Windows shows UTF-8 only with a byte-order mark, and any
# line end but CRLF as one long line.
[ "$(head -c 3 "$folder/readme.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
    fail "readme.txt has no UTF-8 byte-order mark"
for text in readme.txt LICENSE.txt; do
    LC_ALL=C awk '!/\r$/ { bad = 1 } END { exit bad }' "$folder/$text" ||
        fail "$text has a line that does not end in CRLF"
done
! grep -q '@VERSION@' "$folder/readme.txt" || fail "readme.txt still holds @VERSION@"
version=${name#pamuro-}
version=${version%-"$arch"}
grep -q "$version" "$folder/readme.txt" || fail "readme.txt does not name version $version"

objdump=$arch-w64-mingw32-objdump
for program in mapper.exe disabler.exe; do
    # In English whatever the session's locale (binutils translates its
    # report), and read whole: grep -q stopping early would make objdump fail
    # on a closed pipe, which pipefail turns into a false alarm.
    header=$(LC_ALL=C "$objdump" -f "$folder/$program") || fail "$program is not a Windows program"
    [[ $header == *"file format $format"* ]] || fail "$program is not a $arch Windows program"
done
cmake -DOBJDUMP="$objdump" -DPROGRAMS="$folder/mapper.exe;$folder/disabler.exe" \
    -P "$root/tests/wine/release/check_imports.cmake"
echo "release smoke: $name: contents, texts and import tables are right"

if ! "$root/scripts/find-wine.sh" "$machine" >/dev/null 2>&1; then
    echo "release smoke: $name: programs NOT run: no Wine loader for machine type $machine works" \
        "on this machine (a kernel without 32-bit support cannot run 32-bit Windows programs)"
    exit 0
fi
driver=$build/tests/wine/release_smoke_tests.exe
[ -f "$driver" ] ||
    fail "no $driver; build it with: cmake --build $build --target release_smoke_tests"

if [ -z "${WINEPREFIX:-}" ]; then
    # shellcheck source=../../../scripts/wine-session.sh
    source "$root/scripts/wine-session.sh" "$root/build/release-smoke-wineprefix"
    trap 'cleanup; wine_session_stop' EXIT
fi
# Wine's drive Z: is the Linux root.
"$root/cmake/wine-run.sh" "$driver" "Z:${folder//\//\\}"
