# Sourced by the Wine benchmarks: builds TARGET in the x86_64 cross build
# (Release, configured on first use) and starts a Wine session in that build's
# prefix. Sets `build` to the build folder.
# Usage: source bench/wine_bench_session.sh TARGET
build=build/win64
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
fi
ninja -C "$build" "$1" >/dev/null
source scripts/wine-session.sh "$PWD/$build/wineprefix"
