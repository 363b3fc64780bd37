#pragma once
// The Win32 backend of the polling engine: winmm's joystick functions,
// keybd_event with the key's real scan code, GetAsyncKeyState, the capture's
// window operations, a high-resolution rest and GetTickCount.
#include <windows.h>

#include "mapper/engine/engine_platform.h"
#include "mapper/platform/win32/window_messages.h"

// The engine platform of the interface thread. The polling thread makes its
// own (PollingThreadEntry): each instance keeps a rest timer, which serves one
// waiting thread.
EnginePlatform& Win32EnginePlatform();

// The windows a capture ends on: set once at start-up, before the polling
// thread starts (it reads them without a lock).
void SetEngineWindows(HWND mainWindow, HWND captureWindow);

// Runs a window operation that the polling thread posted to the capture
// window as kEngineWindowMessage (window_messages.h).
void RunPostedWindowOperation(WPARAM operation);

// Thread procedure for _beginthreadex: runs PollingThread on g_engine,
// g_keySets and g_options with a Win32 platform of its own; returns 0 once
// the engine has stopped.
unsigned __stdcall PollingThreadEntry(void* unused);
