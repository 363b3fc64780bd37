#include "mapper/platform/standalone/standalone_key_names.h"

#include "common/shift_jis.h"

namespace {

struct KeyNameEntry {
    uint32_t code;
    const char* name;
};

// Keys outside the letter and digit ranges. Insert, Home and End carry the
// keypad names, as the system's layout gives them without the extended bit.
const KeyNameEntry kOtherKeys[] = {
    {18, "Alt"},
    {19, "Pause"},
    {20, "Caps Lock"},
    {35, "Num 1"},
    {36, "Num 7"},
    {45, "Num 0"},
    {92, "Right Windows"},
    {108, "Num Enter"},
    {110, "Num Del"},
    {145, "Scroll Lock"},
    {186, ";"},
    {187, "="},
    {188, ","},
    {189, "-"},
    {190, "."},
    {191, "/"},
    {192, "`"},
    {219, "["},
    {220, "\\"},
    {221, "]"},
    {222, "'"},
};

class StandaloneKeyNameSourceBackend : public KeyNameSource {
  public:
    void KeyName(uint32_t code, char* buffer, int32_t size) override {
        if (size < 1) {
            return;
        }
        char single[2] = {0, 0};
        const char* name = "";
        if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
            single[0] = static_cast<char>(code);
            name = single;
        } else {
            for (const KeyNameEntry& entry : kOtherKeys) {
                if (entry.code == code) {
                    name = entry.name;
                }
            }
        }
        CopyShiftJisCut(buffer, size, name);
    }
};

StandaloneKeyNameSourceBackend g_posixKeyNames;

}  // namespace

KeyNameSource& StandaloneKeyNameSource() {
    return g_posixKeyNames;
}
