#pragma once
// The two window classes of mapper share everything but their procedure and
// background: redrawn on every resize, icon 102 large and small, the arrow.
#include <windows.h>

void RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                          HBRUSH background);
