// mapper.exe: brings the system up in its fixed order, runs the message loop
// and returns when the main window has been destroyed (shutdown is the main
// window's, see main_window.cpp). The composition root: the one place that
// names the Win32 backends and makes the one application object, which the
// windows are handed.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include "app.h"
#include "capture_window.h"
#include "common/win32/sjis_text.h"
#include "main_window.h"
#include "mapper/model/startup_data.h"
#include "mapper/platform/win32/win32_engine_platform.h"
#include "mapper/platform/win32/win32_key_names.h"
#include "mapper/platform/win32/win32_legacy_platform.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "mapper/ui/core/ui_texts.h"
#include "resource.h"
#include "single_instance.h"

namespace {

void ShowStartupMessage(const char* sjisText) {
    ShowSjisMessage(nullptr, sjisText, nullptr, MB_OK);
}

// Key sets from the legacy file when there is one, else from Top.ini; the
// options from Top.ini in every case. What went wrong is told before any
// window exists.
void LoadData(MapperApp& app) {
    if (const char* problem = LoadStartupData(app.settings, app.platform.settings,
                                              app.platform.legacy, app.keySets, app.options)) {
        ShowStartupMessage(problem);
    }
}

// "/T", compared whole and ignoring case, starts the program in the tray.
bool StartsInTray(const char* commandTail) {
    return lstrcmpiA(commandTail, "/T") == 0;
}

void ShowMainWindowAtStart(HWND window, const char* commandTail, int showCommand) {
    if (StartsInTray(commandTail)) {
        SendMessageW(window, WM_SIZE, SIZE_MINIMIZED, 0);
        return;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
}

void LoadTrayMenu(MapperApp& app) {
    app.trayMenu = LoadMenuW(app.instance, MAKEINTRESOURCEW(IDM_TRAY));
    SetMenuDefaultItem(GetSubMenu(app.trayMenu, 0), IDM_TRAY_SHOW, FALSE);
    EnableMenuItem(app.trayMenu, IDM_TRAY_RESUME, MF_BYCOMMAND | MF_GRAYED);
}

void FirstFill(MapperApp& app) {
    RefreshSetList(app);
    RefreshTitle(app);
    app.keySets.ActiveSet.store(0);
    SelectListEntry(app, 0);
    RefreshRapidFireColumn(app);
    RebuildTrayMenu(app);
}

unsigned __stdcall PollingThreadEntry(void* engine) {
    static_cast<Engine*>(engine)->Run();
    return 0;
}

// The polling thread starts last: it reads the table, the options, the
// engine mode and the main window's handle without locks. The exit waits for
// its end (main_window.cpp).
void StartPollingThread(MapperApp& app) {
    app.pollingThread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, PollingThreadEntry, &app.engine, 0, nullptr));
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int showCommand) {
    if (!ClaimSession(commandTail)) {
        return 0;
    }
    // Static: window procedures may still run while the process ends.
    static Win32EnginePlatform engine;
    static const MapperPlatform platform = {engine, Win32KeyNameSource(), Win32SettingsStorage(),
                                            Win32LegacyPlatform()};
    static MapperApp app(instance, platform);
    LoadData(app);

    // The settings dialog's up-down control needs its class registered.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    app.mainWindow = CreateMainWindow(app);
    ShowMainWindowAtStart(app.mainWindow, commandTail, showCommand);
    CreateMainControls(app);
    RefreshStartupButton(app);
    app.captureWindow = CreateCaptureWindow(app);
    LoadTrayMenu(app);
    app.events.SetMainWindow(app.mainWindow);

    // Before the first search, so a pad plugged in from now on is not missed.
    engine.WatchDeviceArrivals();
    if (!app.engine.DetectPad()) {
        ShowStartupMessage(kNoJoystickMessage);
    }
    FirstFill(app);
    StartPollingThread(app);
    StartForegroundFollow(app.follow, app.mainWindow, app.keySets, app.engine.Controls);
    const int exitCode = RunMessageLoop();
    StopForegroundFollow(app.follow);
    return exitCode;
}
