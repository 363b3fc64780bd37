#!/usr/bin/env bash
# Builds the release zips for Windows players, one per architecture:
#   dist/pamuro-<version>-x86_64.zip and dist/pamuro-<version>-i686.zip
# each holding mapper.exe, disabler.exe, the help page, the Japanese read-me
# and the licence. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
[ "${PAMURO_SKIP_SETUP:-}" = 1 ] || scripts/setup.sh

version=$(sed -n 's/^project(pamuro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }
mkdir -p dist
for arch in x86_64 i686; do
    build=build/release-$arch
    cmake -S . -B "$build" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target mapper disabler
    name=pamuro-$version-$arch
    stage=$root/dist/$name
    rm -rf "$stage" "dist/$name.zip"
    mkdir -p "$stage"
    cp "$build/mapper/ui/mapper.exe" "$build/disabler/disabler.exe" "$stage/"
    "$arch-w64-mingw32-strip" "$stage/mapper.exe" "$stage/disabler.exe"
    # A program that needs a DLL of the compiler does not start on a player's
    # Windows: never ship one.
    cmake -DOBJDUMP="$arch-w64-mingw32-objdump" -DPROGRAMS="$stage/mapper.exe;$stage/disabler.exe" \
        -P tests/wine/release/check_imports.cmake
    # disabler carries the DirectInput filters of both architectures; each is
    # read by its own architecture's objdump.
    for filter_arch in x86_64 i686; do
        cmake -DOBJDUMP="$filter_arch-w64-mingw32-objdump" \
            -DPROGRAMS="$build/disabler/filters/dinput8-$filter_arch.dll;$build/disabler/filters/dinput-$filter_arch.dll" \
            -P tests/wine/release/check_imports.cmake
    done
    filters=$(printf '%s;' "$build"/disabler/filters/dinput*.dll)
    cmake -DPROGRAM="$stage/disabler.exe" -DFILTERS="${filters%;}" \
        -P tests/wine/release/check_filters_carried.cmake
    cp mapper/ui/help/pamuro-help.html "$stage/"
    # Windows editors read a UTF-8 text with a byte-order mark and CRLF line ends anywhere.
    { printf '\xef\xbb\xbf'; sed "s/@VERSION@/$version/g; s/\$/\r/" packaging/readme-ja.txt; } > "$stage/readme.txt"
    sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
    (cd dist && zip -q -r -X "$name.zip" "$name")
    rm -rf "$stage"
    echo "release: dist/$name.zip"
done
