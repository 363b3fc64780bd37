#include "mapper/platform/win32/win32_engine_platform.h"

#include <mmsystem.h>

#include "mapper/engine/polling.h"
#include "mapper/engine/scan_code.h"

namespace {

HWND g_mainWindow = nullptr;
HWND g_captureWindow = nullptr;

class Win32Engine : public EnginePlatform {
  public:
    bool ReadJoystickRange(uint8_t id, JoystickRange& range) override {
        JOYCAPSA caps{};
        if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR) {
            return false;
        }
        range = {caps.wXmin, caps.wXmax, caps.wYmin, caps.wYmax};
        return true;
    }

    bool ReadJoystick(uint8_t id, JoystickReading& reading) override {
        JOYINFO info{};
        if (joyGetPos(id, &info) != JOYERR_NOERROR) {
            return false;
        }
        reading = {info.wXpos, info.wYpos, info.wZpos, info.wButtons};
        return true;
    }

    // Games that read scan codes (DirectInput, raw input) see the bound key
    // only if the event carries its real scan code and extended flag.
    void SendKey(uint8_t vk, bool keyUp) override {
        const KeyScan scan = ScanCodeFor(vk, MapVirtualKeyW(vk, MAPVK_VK_TO_VSC_EX));
        DWORD flags = keyUp ? KEYEVENTF_KEYUP : 0;
        if (scan.Extended) {
            flags |= KEYEVENTF_EXTENDEDKEY;
        }
        keybd_event(vk, scan.Scan, flags, 0);
    }

    uint8_t AsyncKeyState(int vk) override {
        return static_cast<uint8_t>(GetAsyncKeyState(vk) & 0xFF);
    }

    void ShowMainWindow() override { ShowWindow(g_mainWindow, SW_SHOW); }
    void EnableMainWindow() override { EnableWindow(g_mainWindow, TRUE); }
    void HideCaptureWindow() override { ShowWindow(g_captureWindow, SW_HIDE); }
    void InvalidateMainWindow() override { InvalidateRect(g_mainWindow, nullptr, FALSE); }
    void Rest(uint32_t ms) override { Sleep(ms); }
    uint32_t Milliseconds() override { return GetTickCount(); }
};

}  // namespace

EnginePlatform& Win32EnginePlatform() {
    static Win32Engine platform;
    return platform;
}

void SetEngineWindows(HWND mainWindow, HWND captureWindow) {
    g_mainWindow = mainWindow;
    g_captureWindow = captureWindow;
}

unsigned __stdcall PollingThreadEntry(void*) {
    PollingThread(g_engine, g_keySets, g_options, Win32EnginePlatform());
    return 0;
}
