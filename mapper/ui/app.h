#pragma once
// The application object of mapper.exe: the model, the engine and the
// interface thread's handles, one of each for the life of the process. The
// composition root (mapper_main.cpp) makes the one object; the windows reach
// it through their user data (AppOf), the dialogs through their init
// parameter.
#include <windows.h>

#include <cstdint>

#include "foreground_follow.h"
#include "mapper/engine/engine.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"
#include "mapper/model/save_soon.h"
#include "mapper/model/settings.h"
#include "mapper_platform.h"
#include "window_events.h"
#include "window_messages.h"

struct MapperApp {
    MapperApp(HINSTANCE programInstance, const MapperPlatform& services)
        : instance(programInstance),
          platform(services),
          engine(keySets, options, services.engine, events) {}
    MapperApp(const MapperApp&) = delete;
    MapperApp& operator=(const MapperApp&) = delete;

    HINSTANCE instance;
    // The platform services, named by the composition root alone.
    const MapperPlatform& platform;

    KeySetTable keySets{};
    MapperOptions options{};
    SettingsState settings{};
    // The window side of what the engine reports; posts to the main window.
    WindowEngineEvents events;
    Engine engine;

    HWND mainWindow = nullptr;
    HWND captureWindow = nullptr;
    HANDLE pollingThread = nullptr;  // null when it could not be started
    HWND setList = nullptr;          // combo box 100
    HMENU trayMenu = nullptr;        // menu 111; its first popup is the tray popup
    // How many set entries the last RebuildTrayMenu inserted (0 before the first).
    int32_t trayMenuEntries = 0;
    // The shell's "TaskbarCreated" message: Explorer has started (again).
    UINT taskbarCreatedMessage = 0;
    // The inputs whose row labels are highlighted: what the engine last
    // reported (kActiveInputsMessage), InputBit(i) for input i.
    uint32_t highlightedInputs = 0;
    // Changes not yet saved by the timed save, and the failures it told.
    SaveSoonState saveSoon{};
    // The session is ending: everything is saved and no message is shown.
    bool sessionEnded = false;
    ForegroundFollow follow{};
};

// The application object of one of its windows; null before WM_NCCREATE has
// kept it (the window was created with it as creation parameter).
MapperApp* AppOf(HWND window);
// For a window procedure: keeps the creation parameter at WM_NCCREATE, then
// gives the application object, or null for the messages before.
MapperApp* AppOfMessage(HWND window, UINT message, LPARAM lParam);
