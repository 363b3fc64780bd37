#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only what is missing,
# and the ja_JP.UTF-8 locale that gives Wine the Japanese code page 932. Runs
# as root, or as a user who may use sudo.
set -euo pipefail

# The format check uses clang-format 14, Debian 12's: another version formats
# some constructs differently.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev clang-format-14 mingw-w64 g++-mingw-w64-x86-64-posix
          g++-mingw-w64-i686-posix wine wine64 xvfb xauth xdotool x11-utils imagemagick
          locales python3 zip unzip file fonts-ipafont-gothic)

sudo=""
if [ "$(id -u)" != 0 ]; then
    sudo=sudo
fi
as_root() {
    if [ -n "$sudo" ] && ! command -v sudo >/dev/null; then
        echo "setup: '$*' needs root: run scripts/setup.sh as root or install sudo" >&2
        exit 1
    fi
    $sudo "$@"
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# 32-bit Wine runs the i686 programs where the kernel can execute 32-bit code.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    missing+=(wine32)
elif ! dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
    missing+=(wine32)
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -q
    if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        # wine32 is optional: retry without it so the rest still installs.
        rest=()
        for p in "${missing[@]}"; do [ "$p" = wine32 ] || rest+=("$p"); done
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${rest[@]}"
    fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi
