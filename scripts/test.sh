#!/usr/bin/env bash
# The one test command. With no step named it runs every step, in the order of
# the list below; with names it runs those, in the order given. Each step
# builds what it needs (the Wine and release steps the cross builds), so any
# one runs alone. A failed step does not stop the others; the last line
# counts the steps run, passed, failed and skipped, and the exit status is
# nonzero when one failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

all_steps=(format native sanitize fuzz cross wine release)

usage() {
    cat <<'EOF'
usage: scripts/test.sh [STEP...]

Runs every step when none is named; any of them alone or together by name:
  format    source format check with clang-format 14 (skipped when absent)
  native    native build and unit tests (about a minute)
  sanitize  native unit tests with AddressSanitizer and UBSan
  fuzz      fuzz targets (clang, libFuzzer), PAMURO_FUZZ_SECONDS each (20)
  cross     cross builds of both programs for x86_64 and i686 (mingw-w64)
  wine      Windows tests under Wine in a private X server and prefix
            (builds the cross builds first)
  release   release zips: build, check what they hold, run both programs
            from them under Wine (builds the cross builds first)
EOF
}

# A step that cannot run here says so on its last line and exits with this.
readonly skipped_status=3

configure() {  # configure DIR [cmake args...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DPAMURO_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

configure_cross() {
    configure build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
    configure build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
}

step_format() {
    # Pinned: another clang-format version formats some constructs differently.
    local formatter
    formatter=$(command -v clang-format-14 || true)
    if [ -z "$formatter" ] && clang-format --version 2>/dev/null | grep -q 'version 14\.'; then
        formatter=$(command -v clang-format)
    fi
    if [ -z "$formatter" ]; then
        echo "format: skipped: clang-format 14 is not installed (scripts/setup.sh installs it)"
        return $skipped_status
    fi
    local files
    files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find mapper disabler common tests bench -name '*.cpp' -o -name '*.h')
    # shellcheck disable=SC2086  # one file name per word
    if ! "$formatter" --dry-run --Werror $files; then
        echo "format: run $formatter -i on the files above" >&2
        return 1
    fi
}

step_native() {
    configure build/native -DCMAKE_BUILD_TYPE=Debug
    ctest --test-dir build/native -j "$jobs" --output-on-failure
    # A plain build (CMake's default generator, no options) must work too:
    # the portable core once that way.
    cmake -S . -B build/plain -DPAMURO_WERROR=ON >/dev/null
    cmake --build build/plain -j "$jobs" --target mapper_ui_core mapper_platform disabler_core disabler_platform
}

step_sanitize() {
    configure build/asan -DCMAKE_BUILD_TYPE=Debug -DPAMURO_SANITIZE=ON
    ctest --test-dir build/asan -j "$jobs" --output-on-failure
}

step_fuzz() {
    configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DPAMURO_FUZZ=ON -DPAMURO_FUZZ_SECONDS="${PAMURO_FUZZ_SECONDS:-20}"
    ctest --test-dir build/fuzz -j "$jobs" --output-on-failure
}

step_cross() {
    configure_cross
}

step_wine() {
    configure_cross
    source scripts/wine-session.sh "$root/build/wineprefix"
    echo "Windows tests under Wine (x86_64)"
    ctest --test-dir build/win64 --output-on-failure
    if [ -n "$WINE32" ]; then
        echo "Windows tests under Wine (i686)"
        ctest --test-dir build/win32 --output-on-failure
    else
        echo "i686 tests skipped: this machine cannot run 32-bit Windows programs (no 32-bit Wine loader runs here)"
    fi
}

step_release() {
    configure_cross
    PAMURO_SKIP_SETUP=1 scripts/release.sh
    # The i686 programs' import tables need no Wine: check them in the i686 build too.
    ctest --test-dir build/win32 -L release-static --output-on-failure
    local version
    version=$(sed -n 's/^project(pamuro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    tests/wine/release/smoke.sh "dist/pamuro-$version-x86_64.zip" build/win64
    tests/wine/release/smoke.sh "dist/pamuro-$version-i686.zip" build/win32
}

steps=()
for arg in "$@"; do
    case "$arg" in
    -h | --help)
        usage
        exit 0
        ;;
    *)
        if [[ " ${all_steps[*]} " != *" $arg "* ]]; then
            echo "test.sh: no step named '$arg'" >&2
            usage >&2
            exit 2
        fi
        steps+=("$arg")
        ;;
    esac
done
[ ${#steps[@]} -gt 0 ] || steps=("${all_steps[@]}")

scripts/setup.sh

passed=() failed=() skipped=()
for name in "${steps[@]}"; do
    printf '\n=== %s ===\n' "$name"
    # Each step in a subshell of its own: it stops at its first failing
    # command, and a Wine session it starts ends with it. (Not tested with
    # || or if: bash would then ignore set -e inside the subshell.)
    set +e
    (set -e; "step_$name")
    status=$?
    set -e
    case $status in
    0) passed+=("$name") ;;
    "$skipped_status") skipped+=("$name") ;;
    *) failed+=("$name") ;;
    esac
done

printf '\n=== summary ===\n'
echo "test.sh: ${#steps[@]} steps run (${steps[*]}): ${#passed[@]} passed, ${#failed[@]} failed${failed[*]:+ (${failed[*]})}, ${#skipped[@]} skipped${skipped[*]:+ (${skipped[*]})}"
[ ${#failed[@]} -eq 0 ]
