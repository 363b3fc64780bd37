#pragma once
// What the polling engine needs from the system: the joystick, keyboard event
// injection, the keyboard state, the three window operations that end a
// capture, and a rest. Win32 serves it in mapper/platform/win32; tests use a
// recording fake.
#include <cstdint>

#include "mapper/engine/scan_code.h"

// Axis ranges from the joystick's capabilities (joyGetDevCapsA).
struct JoystickRange {
    uint32_t xMin, xMax, yMin, yMax;
};

// What a pad reports for its hat when it is centred or has no hat at all
// (JOY_POVCENTERED). Every value above 35999 counts as centred.
constexpr uint32_t kPovCentred = 0xFFFF;

// One reading of the joystick (joyGetPosEx). Bit i of `buttons` is Button i+1;
// `pov` is the hat in hundredths of a degree clockwise from up.
struct JoystickReading {
    uint32_t x, y, z, buttons;
    uint32_t pov = kPovCentred;
};

class EnginePlatform {
  public:
    virtual ~EnginePlatform() = default;
    // Capabilities of joystick `id` (0 or 1): true with the ranges filled,
    // false when the joystick does not answer.
    virtual bool ReadJoystickRange(uint8_t id, JoystickRange& range) = 0;
    // Current state of joystick `id`: true with `reading` filled, false on any
    // failure. A pad that refuses the hat request is read without it, its hat
    // reported centred.
    virtual bool ReadJoystick(uint8_t id, JoystickReading& reading) = 0;
    // The scan code and extended flag that the keyboard layout gives
    // virtual-key code `vk` now.
    virtual KeyScan ScanCodeOf(uint8_t vk) = 0;
    // Injects a key-down or key-up event for virtual-key code `vk` with `scan`
    // into the system's keyboard input. No result.
    virtual void SendKey(uint8_t vk, KeyScan scan, bool keyUp) = 0;
    // The low 8 bits of the asynchronous key state of code `vk` (1..256):
    // nonzero when the key was pressed since the previous query.
    virtual uint8_t AsyncKeyState(int vk) = 0;
    // The end of a capture: show the main window (SW_SHOW) and enable it,
    // hide the capture window, and when `keyStored` schedule a repaint of the
    // main window's whole client area, no erase. Called from the polling
    // thread when a capture took a key, and from the interface thread, which
    // owns the windows, when the capture is cancelled. Never waits for the
    // interface thread. Results are ignored.
    virtual void EndCapture(bool keyStored) = 0;
    // Tells the main window which inputs are active now (bit s for InputSlot
    // s), so it can highlight their rows. Posted from the polling thread,
    // never waited for. False, with nothing sent, while the window is hidden.
    virtual bool PostActiveInputs(uint32_t inputs) = 0;
    // Rests about `ms` milliseconds; 0 rests the shortest time the system
    // offers (half a millisecond on Windows), never just a yield.
    virtual void Rest(uint32_t ms) = 0;
    // A millisecond clock that wraps modulo 2^32 (GetTickCount), used to time
    // read failures and to pace joystick discovery.
    virtual uint32_t Milliseconds() = 0;
};
