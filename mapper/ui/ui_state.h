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
    // SetKeyCount at the last RebuildTrayMenu: how many set entries it inserted, minus one.
    int32_t trayMenuSetCount;
    HANDLE pollingThread;
};

extern MapperUi g_ui;

constexpr UINT kTrayNotifyMessage = WM_APP + 100;
constexpr UINT kTrayIconId = 1;
