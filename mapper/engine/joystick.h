#pragma once
// Joystick discovery: which joystick the polling loop reads and the axis
// thresholds that turn its X and Y positions into the four directions.
#include <cstdint>

#include "mapper/engine/engine_platform.h"

// Positions strictly below a low threshold are Left or Up, strictly above a
// high one Right or Down; the middle band, both thresholds included, is neutral.
struct AxisThresholds {
    int32_t XLow, YLow, XHigh, YHigh;
};

// Cuts each axis range into thirds. The range is an unsigned 32-bit
// difference that wraps when a driver reports a maximum below the minimum;
// the remainder of the division falls to the middle band.
AxisThresholds ComputeThresholds(const JoystickRange& range);
