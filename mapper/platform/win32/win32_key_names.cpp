#include "mapper/platform/win32/win32_key_names.h"

#include <windows.h>

#include "common/shift_jis.h"

namespace {

class Win32KeyNameSourceBackend : public KeyNameSource {
  public:
    void KeyName(uint32_t code, char* buffer, int32_t size) override {
        if (size < 1) {
            return;
        }
        buffer[0] = '\0';
        HKL layout = GetKeyboardLayout(0);
        const UINT scanCode = MapVirtualKeyExW(code, MAPVK_VK_TO_VSC, layout);
        if (scanCode == 0) {
            return;  // no key has scan code 0: code 0 and unmapped codes stay empty
        }
        // The scan code goes in bits 16..23; the extended bit (24) stays clear,
        // so Insert, Home and End take the names of their keypad twins.
        wchar_t wide[128];
        if (GetKeyNameTextW(static_cast<LONG>(scanCode << 16), wide, 128) <= 0) {
            return;
        }
        // The grid's labels are Shift-JIS data like the table's, whatever the
        // system's ANSI code page is.
        char sjis[512];
        const int written = WideCharToMultiByte(kShiftJisCodePage, 0, wide, -1, sjis,
                                                static_cast<int>(sizeof sjis), nullptr, nullptr);
        if (written <= 0) {
            return;
        }
        CopyShiftJisCut(buffer, size, sjis);
    }
};

Win32KeyNameSourceBackend g_win32KeyNames;

}  // namespace

KeyNameSource& Win32KeyNameSource() {
    return g_win32KeyNames;
}
