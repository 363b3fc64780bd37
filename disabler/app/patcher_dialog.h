#pragma once
// The one dialog of disabler.exe: the user names a game executable by typing,
// browsing or dropping it and starts the patch operation on it.
#include <windows.h>

#include "disabler/app/disabler_platform.h"

// Runs dialog 101 modally with no owner until "終了" ends it; the patch
// operation runs on `platform`.
void RunPatcherDialog(HINSTANCE instance, DisablerPlatform& platform);
