#pragma once
// The name dialog (103) and the settings dialog (105), both modal.
#include <windows.h>

#include "mapper/model/options.h"

// Runs the name dialog. True on OK with the typed name in `name` (256 bytes of
// Shift-JIS, cut at a character boundary); false on Cancel.
bool RunNameDialog(HWND owner, char* name);
// Runs the settings dialog on `options`; OK stores KeyDownMode and SetSleep
// at once and returns true.
bool RunSettingsDialog(HWND owner, MapperOptions& options);
