#pragma once
// The Win32 backend of the polling engine: winmm's and XInput's pad
// functions, keybd_event with the key's real scan code, GetAsyncKeyState, a
// high-resolution rest and the performance counter as the clock. No window
// work.
#include <windows.h>

#include <atomic>

#include "common/win32/owned.h"
#include "mapper/engine/engine_platform.h"

// One per engine. The rest timer serves one waiting thread: the polling
// thread, once it runs.
class Win32EnginePlatform : public EnginePlatform {
  public:
    Win32EnginePlatform() = default;
    Win32EnginePlatform(const Win32EnginePlatform&) = delete;
    Win32EnginePlatform& operator=(const Win32EnginePlatform&) = delete;

    bool ReadJoystickRange(uint8_t id, JoystickRange& range) override;
    JoystickAnswer ReadJoystick(uint8_t id, HatRequest hat, uint8_t axes,
                                JoystickReading& reading) override;
    bool ReadXInputPad(uint8_t user, XInputPad& pad) override;
    KeyScan ScanCodeOf(uint8_t vk) override;
    void SendKey(uint8_t vk, KeyScan scan, bool keyUp) override;
    uint8_t AsyncKeyState(int vk) override;
    bool TakeDeviceArrival() override;
    void Rest(uint32_t ms) override;
    void KeepRestsFine(bool fine) override;
    uint32_t Milliseconds() override;

    // Makes the backend's own message-only window on the calling thread,
    // which must run a message loop (the window thread), and asks Windows to
    // tell it of every device interface that arrives. False when Windows
    // refused: discovery then keeps to its clocks.
    bool WatchDeviceArrivals();

  private:
    static LRESULT CALLBACK DeviceWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    HANDLE RestTimer();

    // The window before its notice, so the notice is given back first.
    OwnedWindow deviceWindow_;
    OwnedDeviceNotice deviceNotice_;
    // Set by the window thread on an arrival, taken by the polling thread.
    std::atomic<bool> deviceArrived_{false};

    OwnedHandle restTimer_;
    bool timerTried_ = false;
    bool tickRaised_ = false;  // timeBeginPeriod(1) is in force for this thread's rests
    // XInputGetState, loaded on the first XInput read; null where there is none.
    FARPROC xinputGetState_ = nullptr;
    bool xinputTried_ = false;
};
