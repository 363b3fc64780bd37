#pragma once
// The Win32 backend of the polling engine: winmm's joystick functions,
// keybd_event with the key's real scan code, GetAsyncKeyState, the capture's
// window operations, Sleep and GetTickCount.
#include <windows.h>

#include "mapper/engine/engine_platform.h"

// The one Win32 engine platform of the process. Stateless apart from the two
// window handles, so both threads may use it.
EnginePlatform& Win32EnginePlatform();

// The windows a capture ends on: set once at start-up, before the polling
// thread starts (it reads them without a lock).
void SetEngineWindows(HWND mainWindow, HWND captureWindow);

// Thread procedure for _beginthreadex: runs PollingThread on g_engine,
// g_keySets and g_options with Win32EnginePlatform(); returns 0 once the
// engine has stopped.
unsigned __stdcall PollingThreadEntry(void* unused);
