#pragma once
// The interface thread's handles, one of each for the life of the process.
#include <windows.h>

#include <cstdint>

struct MapperUi {
    HINSTANCE instance;
    HWND mainWindow;
    HWND captureWindow;
    HWND setList;    // combo box 100
    HMENU trayMenu;  // menu 111; its first popup is the tray popup
    // How many set entries the last RebuildTrayMenu inserted (0 before the first).
    int32_t trayMenuEntries;
    // The shell's "TaskbarCreated" message: Explorer has started (again).
    UINT taskbarCreatedMessage;
    HANDLE pollingThread;
};

extern MapperUi g_ui;

constexpr UINT kTrayNotifyMessage = WM_APP + 100;
constexpr UINT kTrayIconId = 1;
