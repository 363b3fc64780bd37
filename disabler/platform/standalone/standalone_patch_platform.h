#pragma once
// The stand-alone backend of the patch platform, for the native tests: plain
// POSIX files, so the patch operation runs on real files without Windows.
// disabler.exe runs on the Win32 backend (disabler/platform/win32).
#include "disabler/core/patch_platform.h"

PatchPlatform& StandalonePatchPlatform();
