#pragma once
// The Win32 backend of the polling engine: winmm's and XInput's pad
// functions, keybd_event with the key's real scan code, GetAsyncKeyState, a
// high-resolution rest and GetTickCount. No window work.
#include <windows.h>

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
    bool ReadJoystick(uint8_t id, HatRequest hat, JoystickReading& reading) override;
    bool ReadXInputPad(uint8_t user, XInputPad& pad) override;
    KeyScan ScanCodeOf(uint8_t vk) override;
    void SendKey(uint8_t vk, KeyScan scan, bool keyUp) override;
    uint8_t AsyncKeyState(int vk) override;
    void Rest(uint32_t ms) override;
    void KeepRestsFine(bool fine) override;
    uint32_t Milliseconds() override;

  private:
    HANDLE RestTimer();

    OwnedHandle restTimer_;
    bool timerTried_ = false;
    bool tickRaised_ = false;  // timeBeginPeriod(1) is in force for this thread's rests
    // XInputGetState, loaded on the first XInput read; null where there is none.
    FARPROC xinputGetState_ = nullptr;
    bool xinputTried_ = false;
};
