#!/usr/bin/env bash
# Maps the Windows fonts the programs ask for, "ＭＳ ゴシック" (grid, capture
# prompt) and "ＭＳ Ｐゴシック" (dialogs), to their closest free kin, IPA's fixed
# and proportional Gothic, in the Wine prefix $WINEPREFIX. Without this Wine
# picks a wider fallback and the dialogs' texts no longer fit their fixed
# controls as they do on Windows. Usage: scripts/wine-fonts.sh WINE_LOADER
set -u
wine=$1
for font in "ＭＳ ゴシック=IPAGothic" "ＭＳ Ｐゴシック=IPAPGothic"; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${font%%=*}" /t REG_SZ \
        /d "${font#*=}" /f >/dev/null 2>&1 || true
done
