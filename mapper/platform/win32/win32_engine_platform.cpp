#include "mapper/platform/win32/win32_engine_platform.h"

#include <dbt.h>
#include <mmsystem.h>
#include <xinput.h>

#include "common/win32/owned.h"
#include "common/win32/system_folder.h"
#include "mapper/engine/scan_code.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

constexpr DWORD kStickAndButtons = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;

DWORD HatFlags(HatRequest hat) {
    switch (hat) {
        case HatInSteps:
            return JOY_RETURNPOV;
        case HatInHundredths:
            // The diagonals come through too.
            return JOY_RETURNPOV | JOY_RETURNPOVCTS;
        default:
            return 0;
    }
}

MMRESULT ReadPosition(uint8_t id, DWORD flags, JOYINFOEX& info) {
    info = JOYINFOEX{};
    info.dwSize = sizeof info;
    info.dwFlags = flags;
    // Some drivers leave the hat untouched, and 0 would read as Up.
    info.dwPOV = JOY_POVCENTERED;
    return joyGetPosEx(id, &info);
}

// Windows 10 and 11 slow a process with no visible window (mapper in the
// tray) to save power unless it opts out of execution speed throttling. The
// flag for timer resolution is left out: Windows 10 refuses the whole
// request for it (error 87), and the high-resolution rest timer needs no
// tick. SetProcessInformation comes with Windows 8, so it is looked up:
// mapper still starts on Windows 7. The record is
// PROCESS_POWER_THROTTLING_STATE, which the SDK declares for Windows 8 only.
// False where Windows refused or knows no throttling: mapper then runs as
// any program does, nothing to tell.
bool KeepFullSpeedInBackground() {
    struct ThrottlingState {
        ULONG Version, ControlMask, StateMask;
    };
    constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
    constexpr ULONG kExecutionSpeed = 0x1;
    using SetInformation = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    const auto set = reinterpret_cast<SetInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation")));
    // In the control mask and cleared in the state mask: never throttled.
    ThrottlingState state = {1, kExecutionSpeed, 0};
    return set != nullptr &&
           set(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state) != FALSE;
}

using XInputGetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

// A system DLL from the system folder only, never from the program's folder
// or the current one. A Windows 7 without the update that brought
// LOAD_LIBRARY_SEARCH_SYSTEM32 refuses the flag: there, by full path.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE library = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return library;
    }
    wchar_t path[MAX_PATH];
    if (!SystemFolderPath(name, path)) {
        return nullptr;
    }
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// XInput is loaded at run time, so the program has no import of it and starts
// where none is installed; null there. The newest first: 1.4 ships with
// Windows 8 and later, 9.1.0 with Vista and 7, 1.3 with the DirectX runtime.
constexpr const wchar_t* kXInputLibraries[] = {L"xinput1_4.dll", L"xinput9_1_0.dll",
                                               L"xinput1_3.dll"};

FARPROC LoadXInput() {
    for (const wchar_t* name : kXInputLibraries) {
        OwnedModule library(LoadSystemLibrary(name));
        const FARPROC function =
            library.Valid() ? GetProcAddress(library.Get(), "XInputGetState") : nullptr;
        if (function != nullptr) {
            library.Release();  // kept for the process's life
            return function;
        }
    }
    return nullptr;
}

// The keyboard layout of the window in front: the game turns scan codes into
// keys with its own layout, which need not be the polling thread's when
// several are installed.
HKL ForegroundKeyboardLayout() {
    return GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
}

}  // namespace

bool Win32EnginePlatform::WatchDeviceArrivals() {
    if (deviceWindow_.Valid()) {
        return deviceNotice_.Valid();
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DeviceWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PamuroEngine";
    RegisterClassW(&windowClass);  // fails harmlessly for a second backend
    deviceWindow_.Reset(CreateWindowExW(0, L"PamuroEngine", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, windowClass.hInstance, this));
    if (!deviceWindow_.Valid()) {
        return false;
    }
    // Every interface class: an Xbox pad arrives as an XInput interface, most
    // other pads as HID, and a pad emulator as whatever it copies.
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    deviceNotice_.Reset(RegisterDeviceNotificationW(
        deviceWindow_.Get(), &filter,
        DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES));
    return deviceNotice_.Valid();
}

LRESULT CALLBACK Win32EnginePlatform::DeviceWindowProc(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* platform =
        reinterpret_cast<Win32EnginePlatform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_DEVICECHANGE && wParam == DBT_DEVICEARRIVAL && platform != nullptr &&
        lParam != 0 &&
        reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype ==
            DBT_DEVTYP_DEVICEINTERFACE) {
        platform->deviceArrived_.store(true, std::memory_order_relaxed);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool Win32EnginePlatform::TakeDeviceArrival() {
    return deviceArrived_.exchange(false, std::memory_order_relaxed);
}

bool Win32EnginePlatform::ReadJoystickRange(uint8_t id, JoystickRange& range) {
    JOYCAPSA caps{};
    if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR) {
        return false;
    }
    range = {caps.wXmin,
             caps.wXmax,
             caps.wYmin,
             caps.wYmax,
             (caps.wCaps & JOYCAPS_HASPOV) != 0,
             (caps.wCaps & JOYCAPS_POVCTS) != 0,
             (caps.wCaps & JOYCAPS_HASZ) != 0,
             (caps.wCaps & JOYCAPS_HASR) != 0,
             caps.wZmin,
             caps.wZmax,
             caps.wRmin,
             caps.wRmax};
    return true;
}

JoystickAnswer Win32EnginePlatform::ReadJoystick(uint8_t id, HatRequest hat, uint8_t axes,
                                                 JoystickReading& reading) {
    const DWORD flags = kStickAndButtons | ((axes & AskZ) != 0 ? JOY_RETURNZ : 0) |
                        ((axes & AskR) != 0 ? JOY_RETURNR : 0);
    JOYINFOEX info;
    MMRESULT result = ReadPosition(id, flags | HatFlags(hat), info);
    JoystickAnswer answer = JoystickRead;
    if (hat != HatNotAsked && result != JOYERR_NOERROR && result != JOYERR_UNPLUGGED) {
        // A driver that refuses the hat request: the pad is read without it.
        result = ReadPosition(id, flags, info);
        info.dwPOV = JOY_POVCENTERED;
        answer = JoystickReadWithoutHat;
    }
    if (result != JOYERR_NOERROR) {
        return JoystickSilent;
    }
    reading = {info.dwXpos, info.dwYpos, info.dwZpos, info.dwButtons, info.dwPOV};
    reading.r = info.dwRpos;
    return answer;
}

// ERROR_DEVICE_NOT_CONNECTED, like any other error, is a failed read.
bool Win32EnginePlatform::ReadXInputPad(uint8_t user, XInputPad& pad) {
    if (!xinputTried_) {
        xinputTried_ = true;
        xinputGetState_ = LoadXInput();
    }
    const auto getState =
        reinterpret_cast<XInputGetStateFunction>(reinterpret_cast<void (*)()>(xinputGetState_));
    XINPUT_STATE state{};
    if (getState == nullptr || getState(user, &state) != ERROR_SUCCESS) {
        return false;
    }
    const XINPUT_GAMEPAD& gamepad = state.Gamepad;
    pad = {gamepad.wButtons, gamepad.bLeftTrigger, gamepad.bRightTrigger, gamepad.sThumbLX,
           gamepad.sThumbLY, gamepad.sThumbRX,     gamepad.sThumbRY};
    return true;
}

// Games that read scan codes (DirectInput, raw input) see the bound key
// only if the event carries its real scan code and extended flag.
KeyScan Win32EnginePlatform::ScanCodeOf(uint8_t vk) {
    return ScanCodeFor(vk, MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC_EX, ForegroundKeyboardLayout()));
}

void Win32EnginePlatform::SendKey(uint8_t vk, KeyScan scan, bool keyUp) {
    DWORD flags = keyUp ? KEYEVENTF_KEYUP : 0;
    if (scan.Extended) {
        flags |= KEYEVENTF_EXTENDEDKEY;
    }
    keybd_event(vk, scan.Scan, flags, 0);
}

uint8_t Win32EnginePlatform::AsyncKeyState(int vk) {
    return static_cast<uint8_t>(GetAsyncKeyState(vk) & 0xFF);
}

// Sleep rests in whole timer ticks, 15.6 ms by default, and Windows 11
// ignores timeBeginPeriod for a process whose windows are minimised or
// hidden (mapper in the tray). A high-resolution waitable timer keeps
// 1 ms; where the system has none (before Windows 10 1803), Sleep under a
// 1 ms tick while the rests must be fine, and 0 rests 1 ms there.
// 0 rests half a millisecond: a pad reports at most every 1 ms, so reading
// more often sees nothing new, and a bare yield keeps a core busy.
void Win32EnginePlatform::Rest(uint32_t ms) {
    HANDLE timer = RestTimer();
    LARGE_INTEGER due;  // relative, in 100 ns units
    due.QuadPart = ms == 0 ? -5000 : -static_cast<LONGLONG>(ms) * 10000;
    if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
        WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0) {
        return;
    }
    Sleep(ms == 0 ? 1 : ms);
}

// The 1 ms tick makes the whole system wake more often and spend more
// power, so it is asked for only while the pad is mapped, and only where
// no high-resolution timer makes it needless.
void Win32EnginePlatform::KeepRestsFine(bool fine) {
    if (fine != tickRaised_ && (RestTimer() == nullptr || tickRaised_)) {
        if (fine) {
            timeBeginPeriod(1);
        } else {
            timeEndPeriod(1);
        }
        tickRaised_ = fine;
    }
}

// GetTickCount moves in whole timer ticks, 15.6 ms by default on Windows:
// too coarse for rapid fire's phases of 16 and 17 ms. The performance
// counter in milliseconds, wrapping modulo 2^32 as the interface asks.
uint32_t Win32EnginePlatform::Milliseconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const LONGLONG whole = now.QuadPart / frequency.QuadPart;
    const LONGLONG part = now.QuadPart % frequency.QuadPart;
    return static_cast<uint32_t>(whole * 1000 + part * 1000 / frequency.QuadPart);
}

// Asked for on the first rest, by the thread that rests.
HANDLE Win32EnginePlatform::RestTimer() {
    if (!timerTried_) {
        timerTried_ = true;
        KeepFullSpeedInBackground();  // a refusal changes nothing here
        restTimer_.Reset(CreateWaitableTimerExW(nullptr, nullptr,
                                                CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                TIMER_MODIFY_STATE | SYNCHRONIZE));
    }
    return restTimer_.Get();
}
