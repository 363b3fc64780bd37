#include "mapper/engine/scan_code.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanCode, LayoutAnswerWithFixedTableForKeysTheLayoutGetsWrong) {
    struct Case {
        uint8_t vk;
        uint32_t layoutAnswer;
        uint8_t scan;
        bool extended;
    };
    const Case cases[] = {
        {0x41, 0x1E, 0x1E, false},    // A
        {0x26, 0xE048, 0x48, true},   // cursor up, prefix reported
        {0x26, 0x48, 0x48, true},     // cursor up, prefix missing: not keypad 8
        {0x26, 0, 0x48, true},        // cursor up, layout silent
        {0x68, 0x48, 0x48, false},    // keypad 8 shares the scan code, not extended
        {0x2E, 0, 0x53, true},        // Delete
        {0x6F, 0, 0x35, true},        // keypad divide
        {0xA3, 0xE01D, 0x1D, true},   // right Ctrl
        {0xA2, 0x1D, 0x1D, false},    // left Ctrl
        {0xA5, 0x38, 0x38, true},     // right Alt
        {0x5B, 0, 0x5B, true},        // left Windows
        {0x90, 0x45, 0x45, true},     // Num Lock
        {0x13, 0xE11D, 0x45, false},  // Pause: E1 1D 45 becomes 45
        {0x13, 0, 0x45, false},       // Pause, layout silent
        {0xB3, 0xE022, 0x22, true},   // play/pause: the layout's prefix is trusted
        {0xE8, 0, 0, false},          // unassigned: nothing known
        {0x70, 0x3B, 0x3B, false},    // F1
    };
    for (const Case& c : cases) {
        const KeyScan scan = ScanCodeFor(c.vk, c.layoutAnswer);
        EXPECT_EQ(scan.Scan, c.scan) << std::hex << "vk 0x" << int(c.vk);
        EXPECT_EQ(scan.Extended, c.extended) << std::hex << "vk 0x" << int(c.vk);
    }
}

}  // namespace
