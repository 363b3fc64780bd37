#pragma once
// The stand-alone backend of the legacy converter, for builds without Windows:
// the "Windows directory" is the folder named by PAMURO_WINDOWS_DIR (else
// /var/lib/pamuro), a backslash in a path separates folders, and message
// boxes are printed to stderr in UTF-8.
#include "mapper/model/legacy.h"

LegacyPlatform& PosixLegacyPlatform();
