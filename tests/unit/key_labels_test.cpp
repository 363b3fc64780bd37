// Key labels: the fixed table checked against the texts as the user reads
// them (decoded from Shift-JIS) and the fallback to the keyboard layout's
// names.
#include "mapper/ui/core/key_labels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapper/platform/standalone/standalone_key_names.h"
#include "tests/support/sjis_convert.h"

namespace {

// Records what the fallback was asked and answers with a fixed name, cut to
// the size it was given, the way the contract asks.
class FakeKeyNames : public KeyNameSource {
  public:
    struct Call {
        uint32_t code;
        int32_t size;
    };
    void KeyName(uint32_t code, char* buffer, int32_t size) override {
        calls.push_back({code, size});
        if (size < 1) {
            return;
        }
        const std::string name = "Name" + std::to_string(code);
        const size_t fits = std::min(name.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, name.data(), fits);
        buffer[fits] = '\0';
    }
    std::vector<Call> calls;
};

std::string Label(uint32_t code, int32_t size, KeyNameSource& names) {
    char buffer[1024];
    std::memset(buffer, 'X', sizeof buffer);
    GetKeyLabel(code, buffer, size, names);
    return buffer;
}

TEST(KeyLabels, TableLabelsReadAsTheUserSeesThem) {
    // A sample of the table's kinds: Japanese, mixed, plain ASCII, the old
    // spelling, arrows, keypad, half-width and full-width.
    const struct {
        uint32_t code;
        const char* expected;
    } cases[] = {
        {1, "マウスの左ボタン"}, {13, "Return/Enter/改行"}, {16, "SHIFT"},
        {33, "PageUp/RoolUp"},   {40, "カーソル↓"},         {107, "テンキー+"},
        {122, "F11/vf.1"},       {243, "半角/全角"},
    };
    FakeKeyNames names;
    for (const auto& c : cases) {
        EXPECT_EQ(SjisToUtf8(Label(c.code, 1024, names)), c.expected) << "code " << c.code;
    }
    EXPECT_TRUE(names.calls.empty()) << "a table code asked the keyboard layout";
}

TEST(KeyLabels, KeypadDigitsAreFullWidthAndOperatorsAscii) {
    FakeKeyNames names;
    for (uint32_t digit = 0; digit <= 9; ++digit) {
        const std::string label = Label(96 + digit, 1024, names);
        ASSERT_EQ(label.size(), 10u)
            << "code " << 96 + digit;  // テンキー and one double-byte digit
        EXPECT_EQ(static_cast<unsigned char>(label[8]), 0x82);
        EXPECT_EQ(static_cast<unsigned char>(label[9]), 0x4f + digit);
    }
    EXPECT_EQ(Label(111, 1024, names).back(), '/');
}

TEST(KeyLabels, ExactlyFortyEightCodesHaveLabelsAllWithin1To243) {
    int labelled = 0;
    size_t longest = 0;
    for (uint32_t code = 0; code <= 300; ++code) {
        if (const char* label = TableKeyLabel(code)) {
            ++labelled;
            EXPECT_GE(code, 1u);
            EXPECT_LE(code, 243u);
            longest = std::max(longest, std::strlen(label));
        }
    }
    EXPECT_EQ(labelled, 48);
    EXPECT_EQ(longest + 1, static_cast<size_t>(kLongestTableLabel));
}

TEST(KeyLabels, CodesWithoutEntryAskTheLayoutWithTheCallersSize) {
    // Keypad decimal point, Alt, an OEM code above the table, a code above a
    // byte, and codes just around table entries.
    const uint32_t codes[] = {0, 18, 92, 108, 110, 241, 244, 255, 0x141, 0xFFFFFFFFu};
    for (uint32_t code : codes) {
        FakeKeyNames names;
        EXPECT_EQ(Label(code, 1024, names), "Name" + std::to_string(code));
        ASSERT_EQ(names.calls.size(), 1u) << "code " << code;
        EXPECT_EQ(names.calls[0].code, code);
        EXPECT_EQ(names.calls[0].size, 1024);
    }
}

TEST(KeyLabels, SizeCutsOnlyTheLayoutName) {
    FakeKeyNames names;
    EXPECT_EQ(Label(110, 5, names), "Name");
    // Size 5 is far below the longest table label, which still comes whole.
    EXPECT_EQ(SjisToUtf8(Label(3, 5, names)), "システムのキャンセルボタン");
    EXPECT_EQ(Label(122, 2, names), "F11/vf.1");
}

TEST(KeyLabels, StandAloneNamesKeepTheLayoutContract) {
    KeyNameSource& names = StandaloneKeyNameSource();
    const struct {
        uint32_t code;
        int32_t size;
        const char* expected;
    } cases[] = {
        {0, 1024, ""},     {'A', 1024, "A"},       {'7', 1024, "7"},
        {18, 1024, "Alt"}, {110, 1024, "Num Del"}, {20, 5, "Caps"},
        {244, 1024, ""},   {255, 1024, ""},        {'Z', 1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Label(c.code, c.size, names), c.expected) << "code " << c.code;
    }
}

}  // namespace
