#pragma once
// The axis thresholds that turn a pad's stick positions into directions,
// what a pad's capabilities ask of its hat and axes, and an XInput pad's
// state as the winmm reading the mapping knows.
#include <cstdint>

#include "mapper/engine/engine_platform.h"

// Positions strictly below a low threshold are Left or Up, strictly above a
// high one Right or Down; the middle band, both thresholds included, is neutral.
struct AxisThresholds {
    int32_t XLow, YLow, XHigh, YHigh;
    int32_t ZLow = 0, RLow = 0, ZHigh = 0, RHigh = 0;  // the right stick
};

// Cuts each axis range into thirds. The range is an unsigned 32-bit
// difference that wraps when a driver reports a maximum below the minimum;
// the remainder of the division falls to the middle band.
AxisThresholds ComputeThresholds(const JoystickRange& range);

// The hat request a joystick with these capabilities is read with.
HatRequest HatRequestFor(const JoystickRange& caps);
// The axes besides X and Y (AxisRequest bits) it is read with.
uint8_t AxisRequestFor(const JoystickRange& caps);

// An XInput stick's range, -32768..32767 as unsigned 32-bit values, for both
// sticks.
constexpr uint32_t kXInputMin = 0xFFFF8000u, kXInputMax = 0x7FFFu;
constexpr JoystickRange kXInputRange = {kXInputMin, kXInputMax, kXInputMin, kXInputMax,
                                        false,      false,      true,       true,
                                        kXInputMin, kXInputMax, kXInputMin, kXInputMax};

// Trigger positions above this count as pressed (XINPUT_GAMEPAD_TRIGGER_THRESHOLD).
constexpr uint8_t kXInputTriggerThreshold = 30;

// An XInput pad as a winmm reading on kXInputRange, numbered as winmm numbers
// the same pad, so one key set serves both: the left stick with Y turned to
// grow downwards, the right stick as Z and R the same way, the D-pad as the
// hat, A B X Y LB RB Back Start as buttons 1 to 8, the stick clicks as 9 and
// 10, the triggers as 11 and 12.
JoystickReading ReadingOfXInputPad(const XInputPad& pad);
