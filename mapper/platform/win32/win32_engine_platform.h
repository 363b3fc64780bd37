#pragma once
// The Win32 backend of the polling engine: winmm's joystick functions,
// keybd_event with the key's real scan code, GetAsyncKeyState, the capture's
// window operations, a high-resolution rest and GetTickCount.
#include <windows.h>

#include "mapper/engine/engine_platform.h"
#include "mapper/platform/win32/window_messages.h"

// The engine platforms of the two threads: each keeps a rest timer, which
// serves one waiting thread.
EnginePlatform& Win32EnginePlatform();         // the interface thread's
EnginePlatform& Win32PollingEnginePlatform();  // the polling thread's

// The windows a capture ends on: set once on the interface thread at
// start-up, before the polling thread starts (it reads them without a lock).
// Makes the engine's own message-only window there too, which takes the end
// of a capture from the polling thread (kCaptureEndedMessage). When a capture
// has stored its key, `onKeyStored` (may be null) is called there, on the
// interface thread.
void SetEngineWindows(HWND mainWindow, HWND captureWindow, void (*onKeyStored)() = nullptr);
