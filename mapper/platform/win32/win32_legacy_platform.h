#pragma once
// The Win32 backend of the legacy converter: the Windows directory, the file
// calls on Tolvin.dat, the system's error texts and message boxes.
#include "mapper/model/legacy.h"

LegacyPlatform& Win32LegacyPlatform();
