#include "mapper/ui/core/key_labels.h"

#include <cstring>

#include "mapper/ui/core/ui_texts_sjis.h"

namespace {

struct KeyLabel {
    uint32_t code;
    const char* label;
};

// Labels of their own, in Shift-JIS (the Japanese ones in ui_texts.txt).
// "RoolUp" is how the program has always spelt it.
const KeyLabel KeyLabelTable[] = {
    {1, kKeyLabelMouseLeft},
    {2, kKeyLabelMouseRight},
    {3, kKeyLabelCancel},
    {4, kKeyLabelMouseMiddle},
    {8, kKeyLabelBackSpace},
    {9, kKeyLabelTab},
    {13, kKeyLabelReturn},
    {16, "SHIFT"},
    {17, "Ctrl"},
    {27, "Esc"},
    {32, "SPACE"},
    {33, "PageUp/RoolUp"},
    {34, "PageDown/RoolDown"},
    {37, kKeyLabelLeft},
    {38, kKeyLabelUp},
    {39, kKeyLabelRight},
    {40, kKeyLabelDown},
    {46, kKeyLabelDelete},
    {91, "Windows"},
    {96, kKeyLabelNumpad0},
    {97, kKeyLabelNumpad1},
    {98, kKeyLabelNumpad2},
    {99, kKeyLabelNumpad3},
    {100, kKeyLabelNumpad4},
    {101, kKeyLabelNumpad5},
    {102, kKeyLabelNumpad6},
    {103, kKeyLabelNumpad7},
    {104, kKeyLabelNumpad8},
    {105, kKeyLabelNumpad9},
    {106, kKeyLabelNumpadMultiply},
    {107, kKeyLabelNumpadAdd},
    {109, kKeyLabelNumpadSubtract},
    {111, kKeyLabelNumpadDivide},
    {112, "F1"},
    {113, "F2"},
    {114, "F3"},
    {115, "F4"},
    {116, "F5"},
    {117, "F6"},
    {118, "F7"},
    {119, "F8"},
    {120, "F9"},
    {121, "F10"},
    {122, "F11/vf.1"},
    {123, "F12/vf.2"},
    {144, "NumLock"},
    {240, kKeyLabelCapsLock},
    {243, kKeyLabelHankaku},
};

}  // namespace

const char* TableKeyLabel(uint32_t code) {
    for (const KeyLabel& entry : KeyLabelTable) {
        if (entry.code == code) {
            return entry.label;
        }
    }
    return nullptr;
}

void GetKeyLabel(uint32_t code, char* buffer, int32_t size, KeyNameSource& names) {
    if (const char* label = TableKeyLabel(code)) {
        std::strcpy(buffer, label);
        return;
    }
    names.KeyName(code, buffer, size);
}
