#pragma once
// The interface thread's handles, one of each for the life of the process.
#include <windows.h>

#include <cstdint>

#include "mapper/model/save_soon.h"
#include "mapper/platform/win32/window_messages.h"
#include "mapper_platform.h"

struct MapperUi {
    HINSTANCE instance;
    HWND mainWindow;
    HWND captureWindow;
    HANDLE pollingThread;  // null when it could not be started
    HWND setList;          // combo box 100
    HMENU trayMenu;        // menu 111; its first popup is the tray popup
    // How many set entries the last RebuildTrayMenu inserted (0 before the first).
    int32_t trayMenuEntries;
    // The shell's "TaskbarCreated" message: Explorer has started (again).
    UINT taskbarCreatedMessage;
    // The inputs whose row labels are highlighted: what the polling thread
    // last posted (kActiveInputsMessage), bit s for InputSlot s.
    uint32_t highlightedInputs;
    // The platform services, set by the entry before any window exists.
    const MapperPlatform* platform;
    // Changes not yet saved by the timed save, and the failures it told.
    SaveSoonState saveSoon;
    // The session is ending: everything is saved and no message is shown.
    bool sessionEnded;
};

extern MapperUi g_ui;
