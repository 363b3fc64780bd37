#include "mapper/engine/joystick.h"

namespace {

// Splits one axis into thirds in unsigned 32-bit arithmetic, as the driver's
// unsigned ranges require; the results are compared as signed positions.
void AxisThirds(uint32_t min, uint32_t max, int32_t& low, int32_t& high) {
    const uint32_t third = (max - min) / 3u;
    low = static_cast<int32_t>(min + third);
    high = static_cast<int32_t>(max - third);
}

// XInput's button bits (XINPUT_GAMEPAD_*) and the winmm button each becomes.
struct XInputButton {
    uint16_t bit;
    uint32_t winmmButton;  // 1-based
};
constexpr XInputButton kXInputButtons[] = {
    {0x1000, 1},   // A
    {0x2000, 2},   // B
    {0x4000, 3},   // X
    {0x8000, 4},   // Y
    {0x0100, 5},   // left shoulder
    {0x0200, 6},   // right shoulder
    {0x0020, 7},   // Back
    {0x0010, 8},   // Start
    {0x0040, 9},   // left stick click
    {0x0080, 10},  // right stick click
};
constexpr uint32_t kLeftTriggerButton = 11;
constexpr uint32_t kRightTriggerButton = 12;

constexpr uint16_t kDPadUp = 0x0001;
constexpr uint16_t kDPadDown = 0x0002;
constexpr uint16_t kDPadLeft = 0x0004;
constexpr uint16_t kDPadRight = 0x0008;

uint32_t Position(int16_t thumb) {
    return static_cast<uint32_t>(static_cast<int32_t>(thumb));
}

// Bitwise not turns -32768..32767 onto itself end for end, so up and down
// get thresholds as far from the centre as left and right do.
uint32_t Downward(int16_t thumbY) {
    return static_cast<uint32_t>(~static_cast<int32_t>(thumbY));
}

uint32_t ButtonBit(uint32_t winmmButton) {
    return 1u << (winmmButton - 1);
}

// -1, 0 or 1 along one D-pad axis; both ends at once cancel out, as on a hat.
int DPadAxis(uint16_t buttons, uint16_t negative, uint16_t positive) {
    return ((buttons & positive) != 0 ? 1 : 0) - ((buttons & negative) != 0 ? 1 : 0);
}

// The D-pad as a hat position: hundredths of a degree clockwise from up.
uint32_t DPadAsHat(uint16_t buttons) {
    // Indexed by [down - up + 1][right - left + 1].
    constexpr uint32_t kAngles[3][3] = {
        {31500, 0, 4500},
        {27000, kPovCentred, 9000},
        {22500, 18000, 13500},
    };
    const int vertical = DPadAxis(buttons, kDPadUp, kDPadDown);
    const int horizontal = DPadAxis(buttons, kDPadLeft, kDPadRight);
    return kAngles[vertical + 1][horizontal + 1];
}

}  // namespace

uint8_t AxisRequestFor(const JoystickRange& caps) {
    return static_cast<uint8_t>((caps.hasZ ? AskZ : AskNoAxis) | (caps.hasR ? AskR : AskNoAxis));
}

HatRequest HatRequestFor(const JoystickRange& caps) {
    if (!caps.hasHat) {
        return HatNotAsked;
    }
    return caps.hatInHundredths ? HatInHundredths : HatInSteps;
}

JoystickReading ReadingOfXInputPad(const XInputPad& pad) {
    uint32_t buttons = 0;
    for (const XInputButton& button : kXInputButtons) {
        if ((pad.buttons & button.bit) != 0) {
            buttons |= ButtonBit(button.winmmButton);
        }
    }
    if (pad.leftTrigger > kXInputTriggerThreshold) {
        buttons |= ButtonBit(kLeftTriggerButton);
    }
    if (pad.rightTrigger > kXInputTriggerThreshold) {
        buttons |= ButtonBit(kRightTriggerButton);
    }
    JoystickReading reading = {Position(pad.thumbLX), Downward(pad.thumbLY), Position(pad.thumbRX),
                               buttons, DPadAsHat(pad.buttons)};
    reading.r = Downward(pad.thumbRY);
    return reading;
}

AxisThresholds ComputeThresholds(const JoystickRange& range) {
    AxisThresholds thresholds{};
    AxisThirds(range.xMin, range.xMax, thresholds.XLow, thresholds.XHigh);
    AxisThirds(range.yMin, range.yMax, thresholds.YLow, thresholds.YHigh);
    AxisThirds(range.zMin, range.zMax, thresholds.ZLow, thresholds.ZHigh);
    AxisThirds(range.rMin, range.rMax, thresholds.RLow, thresholds.RHigh);
    return thresholds;
}
