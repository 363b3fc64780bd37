#pragma once
// The two window classes of mapper share everything but their procedure and
// background: redrawn on every resize, icon 102 large and small, the arrow.
#include <windows.h>

void RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                          HBRUSH background);

// Icon 102 in the system's small size, from its own 16 x 16 image rather than
// the large one scaled down: for the caption, the task bar and the tray.
HICON LoadSmallProgramIcon(HINSTANCE instance);
