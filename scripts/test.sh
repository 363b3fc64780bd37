#!/usr/bin/env bash
# The one test command: installs what is missing, builds the portable core
# natively (plain, then with AddressSanitizer and UBSan, then the fuzz targets
# with clang), cross-builds both programs for x86_64 and i686 with mingw-w64,
# and runs every test: the native ones directly, the Windows ones under Wine
# in a private X server and Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

scripts/setup.sh

step() { printf '\n=== %s ===\n' "$*"; }
configure() {  # configure DIR [cmake args...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

step "source format (clang-format)"
if ! clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h' 2>/dev/null || find mapper disabler common tests bench -name '*.cpp' -o -name '*.h'); then
    echo "format: run clang-format -i on the files above" >&2
    exit 1
fi

step "native build and unit tests"
configure build/native -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build/native -j "$jobs" --output-on-failure

step "native unit tests with AddressSanitizer and UBSan"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DPAMURO_SANITIZE=ON
ctest --test-dir build/asan -j "$jobs" --output-on-failure

step "fuzz targets (clang, libFuzzer)"
configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DPAMURO_FUZZ=ON -DPAMURO_FUZZ_SECONDS="${PAMURO_FUZZ_SECONDS:-20}"
ctest --test-dir build/fuzz -j "$jobs" --output-on-failure

step "cross builds (mingw-w64 x86_64 and i686)"
configure build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
configure build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake

step "Windows tests under Wine (x86_64)"
source scripts/wine-session.sh "$root/build/wineprefix"
ctest --test-dir build/win64 --output-on-failure

if [ -n "$WINE32" ]; then
    step "Windows tests under Wine (i686)"
    ctest --test-dir build/win32 --output-on-failure
else
    step "i686 tests skipped: this machine cannot run 32-bit Windows programs (no 32-bit Wine loader runs here)"
fi

step "release zips: build, check what they hold, run both programs from them under Wine"
PAMURO_SKIP_SETUP=1 scripts/release.sh
# The i686 programs' import tables need no Wine: check them in the i686 build too.
ctest --test-dir build/win32 -L release-static --output-on-failure
version=$(sed -n 's/^project(pamuro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
tests/wine/release/smoke.sh "dist/pamuro-$version-x86_64.zip" build/win64
tests/wine/release/smoke.sh "dist/pamuro-$version-i686.zip" build/win32

step "all tests passed"
