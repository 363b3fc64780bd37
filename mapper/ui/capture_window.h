#pragma once
// The key capture window: asks the user to press the key to assign while the
// polling thread captures it; its "キャンセル" button ends the capture.
#include <windows.h>

struct MapperApp;

// Registers "PamuroKey", creates the capture window hidden, with its
// controls; it keeps `app` in its user data.
HWND CreateCaptureWindow(MapperApp& app);
// Before the window is shown: lists the actions for the sets as they are now.
void FillActionList(MapperApp& app);
