// mapper.exe: brings the system up in its fixed order, runs the message loop
// and returns when the main window has been destroyed (shutdown is the main
// window's, see main_window.cpp). The one place that names the Win32
// backends: it fills the platform services and hands them to the windows.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include "capture_window.h"
#include "common/win32/sjis_text.h"
#include "foreground_follow.h"
#include "main_window.h"
#include "mapper/engine/polling.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/legacy.h"
#include "mapper/model/options.h"
#include "mapper/model/settings.h"
#include "mapper/model/startup_data.h"
#include "mapper/platform/win32/win32_engine_platform.h"
#include "mapper/platform/win32/win32_key_names.h"
#include "mapper/platform/win32/win32_legacy_platform.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "mapper/ui/core/ui_texts.h"
#include "resource.h"
#include "single_instance.h"
#include "ui_state.h"

MapperUi g_ui;

namespace {

void ShowStartupMessage(const char* sjisText) {
    ShowSjisMessage(nullptr, sjisText, nullptr, MB_OK);
}

// Key sets from the legacy file when there is one, else from Top.ini; the
// options from Top.ini in every case. What went wrong is told before any
// window exists.
void LoadData(const MapperPlatform& platform) {
    if (const char* problem =
            LoadStartupData(g_settings, platform.settings, platform.legacy, g_keySets, g_options)) {
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

void LoadTrayMenu(HINSTANCE instance) {
    g_ui.trayMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_TRAY));
    SetMenuDefaultItem(GetSubMenu(g_ui.trayMenu, 0), IDM_TRAY_SHOW, FALSE);
    EnableMenuItem(g_ui.trayMenu, IDM_TRAY_RESUME, MF_BYCOMMAND | MF_GRAYED);
}

void FirstFill() {
    RefreshSetList();
    RefreshTitle();
    g_keySets.ActiveSet.store(0);
    SelectListEntry(0);
    RebuildTrayMenu();
}

// The polling thread's body, on an engine platform of its own.
unsigned __stdcall PollingThreadEntry(void*) {
    PollingThread(g_engine, g_keySets, g_options, Win32PollingEnginePlatform());
    return 0;
}

// The polling thread starts last: it reads the table, the options, the
// engine mode and both window handles without locks. The exit waits for its
// end (main_window.cpp).
void StartPollingThread() {
    g_ui.pollingThread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, PollingThreadEntry, nullptr, 0, nullptr));
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
    static const MapperPlatform platform = {Win32EnginePlatform(), Win32KeyNameSource(),
                                            Win32SettingsStorage(), Win32LegacyPlatform()};
    g_ui.platform = &platform;
    g_ui.instance = instance;
    LoadData(platform);

    // The settings dialog's up-down control needs its class registered.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    g_ui.mainWindow = CreateMainWindow(instance);
    ShowMainWindowAtStart(g_ui.mainWindow, commandTail, showCommand);
    CreateMainControls(g_ui.mainWindow, instance);
    RefreshStartupButton();
    g_ui.captureWindow = CreateCaptureWindow(instance);
    LoadTrayMenu(instance);
    SetEngineWindows(g_ui.mainWindow, g_ui.captureWindow, NoteSettingsChange);

    ResetEngine(g_engine);  // EngineMode Mapping, control enabled
    if (!DetectJoystick(g_engine, platform.engine)) {
        ShowStartupMessage(kNoJoystickMessage);
    }
    FirstFill();
    StartPollingThread();
    ForegroundFollow follow;
    StartForegroundFollow(follow, g_ui.mainWindow, g_keySets, g_engine);
    const int exitCode = RunMessageLoop();
    StopForegroundFollow(follow);
    return exitCode;
}
