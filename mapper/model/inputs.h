#pragma once
// The pad's inputs, one row each: what the engine reads for it, its number in
// Top.ini's "KEYSET" keys, its row of the binding grid and its label. An
// input's place in kInputs is its index in memory: the key-set table, the
// engine's latches and bit i of a mask of active inputs. A new input is a row
// here, plus, where it is a new kind, reading it from the pad.
#include <cstdint>

#include "mapper/model/model_texts_sjis.h"  // the row labels

enum class InputKind : uint8_t {
    Direction,  // one half of a stick axis, or one side of the hat
    Button,     // one bit of the pad's button word
};

// The axes a reading carries: the left stick's, then the right stick's
// (winmm's Z and R, XInput's right thumb).
enum class PadAxis : uint8_t {
    X,
    Y,
    Z,  // the right stick's X
    R,  // the right stick's Y
};
constexpr int kPadAxisCount = 4;
enum class AxisHalf : uint8_t {
    Low,   // left or up: below the low threshold
    High,  // right or down: above the high threshold
};

// The hat's four sides, as bits: a diagonal holds two.
constexpr uint8_t kHatUp = 1;
constexpr uint8_t kHatRight = 2;
constexpr uint8_t kHatDown = 4;
constexpr uint8_t kHatLeft = 8;

struct InputRow {
    InputKind Kind;
    PadAxis Axis;  // Direction: the axis and the half that makes it active
    AxisHalf Half;
    uint8_t Hat;      // Direction: the hat sides that make it active too (0: none)
    uint8_t Button;   // Button: the bit of the button word (0 is button 1)
    int32_t Number;   // in "KEYSET%2d-%2d-%2d"; releases before it kept fewer
    int32_t GridRow;  // the binding grid's row, from the top
    const char* Label;
};

constexpr InputRow DirectionInput(PadAxis axis, AxisHalf half, uint8_t hat, int32_t number,
                                  const char* label) {
    return InputRow{InputKind::Direction, axis, half, hat, 0, number, number, label};
}
constexpr InputRow ButtonInput(uint8_t button, int32_t number, const char* label) {
    return InputRow{InputKind::Button, PadAxis::X, AxisHalf::Low, 0, button, number, number, label};
}

inline constexpr InputRow kInputs[] = {
    DirectionInput(PadAxis::Y, AxisHalf::Low, kHatUp, 0, kRowLabelUp),
    DirectionInput(PadAxis::Y, AxisHalf::High, kHatDown, 1, kRowLabelDown),
    DirectionInput(PadAxis::X, AxisHalf::Low, kHatLeft, 2, kRowLabelLeft),
    DirectionInput(PadAxis::X, AxisHalf::High, kHatRight, 3, kRowLabelRight),
    ButtonInput(0, 4, kRowLabelButton1),
    ButtonInput(1, 5, kRowLabelButton2),
    ButtonInput(2, 6, kRowLabelButton3),
    ButtonInput(3, 7, kRowLabelButton4),
    ButtonInput(4, 8, kRowLabelButton5),
    ButtonInput(5, 9, kRowLabelButton6),
    ButtonInput(6, 10, kRowLabelButton7),
    ButtonInput(7, 11, kRowLabelButton8),
    ButtonInput(8, 12, kRowLabelButton9),
    ButtonInput(9, 13, kRowLabelButton10),
    ButtonInput(10, 14, kRowLabelButton11),
    ButtonInput(11, 15, kRowLabelButton12),
    ButtonInput(12, 16, kRowLabelButton13),
    ButtonInput(13, 17, kRowLabelButton14),
    ButtonInput(14, 18, kRowLabelButton15),
    ButtonInput(15, 19, kRowLabelButton16),
    DirectionInput(PadAxis::R, AxisHalf::Low, 0, 20, kRowLabelRightUp),
    DirectionInput(PadAxis::R, AxisHalf::High, 0, 21, kRowLabelRightDown),
    DirectionInput(PadAxis::Z, AxisHalf::Low, 0, 22, kRowLabelRightLeft),
    DirectionInput(PadAxis::Z, AxisHalf::High, 0, 23, kRowLabelRightRight),
};

constexpr int kInputCount = static_cast<int>(sizeof kInputs / sizeof kInputs[0]);
static_assert(kInputCount <= 32, "one bit per input in a mask of active inputs");

// Releases before buttons 9 to 16 knew only inputs 0 to 11; their files and
// legacy data hold nothing for the others (buttons 9 to 16, the right
// stick), and an input numbered from here on is written to Top.ini only when
// bound or already there.
constexpr int kFirstReleaseInputCount = 12;

// Indexes of kInputs that code and tests name.
enum InputIndex : int32_t {
    InputUp = 0,
    InputDown = 1,
    InputLeft = 2,
    InputRight = 3,
    InputButton1 = 4,
    InputButton8 = 11,
    InputButton9 = 12,
    InputButton16 = 19,
    InputRightUp = 20,
    InputRightDown = 21,
    InputRightLeft = 22,
    InputRightRight = 23,
};

// The bit of input `index` in a mask of active inputs.
constexpr uint32_t InputBit(int index) {
    return 1u << index;
}
