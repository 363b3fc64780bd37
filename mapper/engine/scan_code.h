#pragma once
// The scan code and extended flag that go with a synthesised key event, so
// that games reading scan codes (or the extended bit that tells the cursor
// keys from the keypad) see the key the user bound, not just its
// virtual-key code.
#include <cstdint>

struct KeyScan {
    uint8_t Scan;   // 0 when neither the layout nor the fixed table knows the key
    bool Extended;  // the key sends the 0xE0 prefix on a PC keyboard
};

// Decides the scan code of virtual key `vk` from `layoutAnswer`, what the
// keyboard layout reports for it (MapVirtualKeyW with MAPVK_VK_TO_VSC_EX: the
// scan code in the low byte, a 0xE0 or 0xE1 prefix in the high byte, 0 for an
// unknown key). Where the layout reports nothing, or no prefix for a key that
// always has one, a fixed table of the PC keyboard fills in.
KeyScan ScanCodeFor(uint8_t vk, uint32_t layoutAnswer);
