// Key labels from the real keyboard layout under Wine: codes without a table
// label get the layout's name as Shift-JIS, cut to the buffer's size at a
// character boundary; code 0 and unmapped codes stay empty.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "mapper/ui/core/key_labels.h"
#include "mapper/platform/win32/win32_key_names.h"

namespace {

std::string Label(uint32_t code, int32_t size) {
    char buffer[1024];
    std::memset(buffer, 'X', sizeof buffer);
    GetKeyLabel(code, buffer, size, Win32KeyNameSource());
    return buffer;
}

std::wstring Wide(const std::string& sjis) {
    wchar_t text[512] = {};
    MultiByteToWideChar(932, 0, sjis.c_str(), -1, text, 512);
    return text;
}

// What the layout itself calls the key, for comparison.
std::wstring LayoutName(uint32_t code) {
    const UINT scan = MapVirtualKeyExW(code, MAPVK_VK_TO_VSC, GetKeyboardLayout(0));
    wchar_t name[128] = {};
    GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 128);
    return name;
}

TEST(Win32KeyNameSource, CodesWithoutTableLabelTakeTheLayoutsName) {
    for (uint32_t code : {18u, 110u, 0x41u, 0x37u, 45u}) {
        const std::string label = Label(code, 1024);
        EXPECT_FALSE(label.empty()) << "code " << code;
        EXPECT_EQ(Wide(label), LayoutName(code)) << "code " << code;
    }
}

TEST(Win32KeyNameSource, NoKeyGivesAnEmptyLabel) {
    EXPECT_EQ(Label(0, 1024), "");
    EXPECT_EQ(Label(0x1000, 1024), "");  // above every key code
}

TEST(Win32KeyNameSource, SizeCutsTheNameNotTheTable) {
    const std::string full = Label(110, 1024);  // "Num Del" or the layout's longer name
    ASSERT_GT(full.size(), 4u);
    const std::string cut = Label(110, 5);
    EXPECT_GE(cut.size(), 3u);  // 4 bytes, or 3 before a double-byte character
    EXPECT_LE(cut.size(), 4u);
    EXPECT_EQ(full.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(Label(38, 5).size(), 10u);  // カーソル↑ whole
    EXPECT_EQ(Label(18, 1), "");
}

}  // namespace
