#pragma once
// The platform services of disabler.exe: filled once by its entry
// (disabler_main.cpp), the one place that names a backend, and handed to the
// dialog, which sees only the interface.
#include "disabler/core/patch_platform.h"

struct DisablerPlatform {
    PatchPlatform& patch;  // the patch operation's files and message boxes
};
