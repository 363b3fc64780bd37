#include "mapper/engine/scan_code.h"

namespace {

constexpr uint8_t kVkPause = 0x13;

struct FixedScan {
    uint8_t Vk;
    uint8_t Scan;
    bool Extended;
};

// Keys whose PC keyboard scan code does not depend on the layout. The
// extended ones share their scan code with a keypad key and are told apart
// only by the 0xE0 prefix; a layout that reports them without the prefix
// would turn cursor up into keypad 8.
constexpr FixedScan kFixedScans[] = {
    {0x21, 0x49, true},  // Page Up
    {0x22, 0x51, true},  // Page Down
    {0x23, 0x4F, true},  // End
    {0x24, 0x47, true},  // Home
    {0x25, 0x4B, true},  // cursor left
    {0x26, 0x48, true},  // cursor up
    {0x27, 0x4D, true},  // cursor right
    {0x28, 0x50, true},  // cursor down
    {0x2C, 0x37, true},  // Print Screen
    {0x2D, 0x52, true},  // Insert
    {0x2E, 0x53, true},  // Delete
    {0x5B, 0x5B, true},  // left Windows
    {0x5C, 0x5C, true},  // right Windows
    {0x5D, 0x5D, true},  // application (menu) key
    {0x6F, 0x35, true},  // keypad divide
    {0x90, 0x45, true},  // Num Lock: Windows itself sends it with the extended flag
    {0xA3, 0x1D, true},  // right Ctrl
    {0xA5, 0x38, true},  // right Alt
    {kVkPause, 0x45, false},
};

const FixedScan* FindFixedScan(uint8_t vk) {
    for (const FixedScan& fixed : kFixedScans) {
        if (fixed.Vk == vk) {
            return &fixed;
        }
    }
    return nullptr;
}

}  // namespace

KeyScan ScanCodeFor(uint8_t vk, uint32_t layoutAnswer) {
    const FixedScan* fixed = FindFixedScan(vk);
    // Pause is the one key with the 0xE1 prefix; the layout answers with the
    // Ctrl half of its sequence (E1 1D), which a single event cannot carry.
    // Windows reports Pause as scan 0x45 without the extended flag.
    if (vk == kVkPause) {
        return {fixed->Scan, fixed->Extended};
    }
    KeyScan result{static_cast<uint8_t>(layoutAnswer & 0xFFu), (layoutAnswer & 0xFF00u) == 0xE000u};
    if (fixed != nullptr) {
        if (result.Scan == 0) {
            result.Scan = fixed->Scan;
        }
        result.Extended = result.Extended || fixed->Extended;
    }
    return result;
}
