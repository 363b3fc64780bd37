#pragma once
// The Win32 backend of the patch platform, which disabler.exe runs on: the
// wide file functions and message boxes, with Shift-JIS paths and texts
// converted from code page 932.
#include "disabler/core/patch_platform.h"

PatchPlatform& Win32PatchPlatform();
