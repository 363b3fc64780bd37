#include "mapper/ui/core/key_labels.h"

#include <cstring>

namespace {

struct KeyLabel {
    uint32_t code;
    const char* label;
};

// Labels of their own, in Shift-JIS. The keypad digits are full-width, the
// keypad operators ASCII; "RoolUp" is how the program has always spelt it.
const KeyLabel KeyLabelTable[] = {
    {1,
     "\x83}\x83"
     "E\x83X\x82\xcc\x8d\xb6\x83{\x83^\x83\x93"},  // マウスの左ボタン
    {2,
     "\x83}\x83"
     "E\x83X\x82\xcc\x89"
     "E\x83{\x83^\x83\x93"},  // マウスの右ボタン
    {3,
     "\x83V\x83X\x83"
     "e\x83\x80\x82\xcc\x83L\x83\x83\x83\x93\x83Z\x83\x8b\x83{\x83^\x83\x93"},  // システムのキャンセルボタン
    {4,
     "\x83}\x83"
     "E\x83X\x82\xcc\x92\x86\x89\x9b\x83{\x83^\x83\x93"},  // マウスの中央ボタン
    {8, "BS/BackSpace/\x8c\xe3\x91\xde"},                  // BS/BackSpace/後退
    {9, "Tab/\x83^\x83u"},                                 // Tab/タブ
    {13, "Return/Enter/\x89\xfc\x8ds"},                    // Return/Enter/改行
    {16, "SHIFT"},
    {17, "Ctrl"},
    {27, "Esc"},
    {32, "SPACE"},
    {33, "PageUp/RoolUp"},
    {34, "PageDown/RoolDown"},
    {37, "\x83J\x81[\x83\\\x83\x8b\x81\xa9"},  // カーソル←
    {38, "\x83J\x81[\x83\\\x83\x8b\x81\xaa"},  // カーソル↑
    {39, "\x83J\x81[\x83\\\x83\x8b\x81\xa8"},  // カーソル→
    {40, "\x83J\x81[\x83\\\x83\x8b\x81\xab"},  // カーソル↓
    {46, "DEL/Delete/\x8d\xed\x8f\x9c"},       // DEL/Delete/削除
    {91, "Windows"},
    {96,
     "\x83"
     "e\x83\x93\x83L\x81[\x82O"},  // テンキー０
    {97,
     "\x83"
     "e\x83\x93\x83L\x81[\x82P"},  // テンキー１
    {98,
     "\x83"
     "e\x83\x93\x83L\x81[\x82Q"},  // テンキー２
    {99,
     "\x83"
     "e\x83\x93\x83L\x81[\x82R"},  // テンキー３
    {100,
     "\x83"
     "e\x83\x93\x83L\x81[\x82S"},  // テンキー４
    {101,
     "\x83"
     "e\x83\x93\x83L\x81[\x82T"},  // テンキー５
    {102,
     "\x83"
     "e\x83\x93\x83L\x81[\x82U"},  // テンキー６
    {103,
     "\x83"
     "e\x83\x93\x83L\x81[\x82V"},  // テンキー７
    {104,
     "\x83"
     "e\x83\x93\x83L\x81[\x82W"},  // テンキー８
    {105,
     "\x83"
     "e\x83\x93\x83L\x81[\x82X"},  // テンキー９
    {106,
     "\x83"
     "e\x83\x93\x83L\x81[*"},  // テンキー*
    {107,
     "\x83"
     "e\x83\x93\x83L\x81[+"},  // テンキー+
    {109,
     "\x83"
     "e\x83\x93\x83L\x81[-"},  // テンキー-
    {111,
     "\x83"
     "e\x83\x93\x83L\x81[/"},  // テンキー/
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
    {240, "CapsLock/\x89p\x90\x94"},    // CapsLock/英数
    {243, "\x94\xbc\x8ap/\x91S\x8ap"},  // 半角/全角
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
