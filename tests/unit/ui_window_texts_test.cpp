// The window title and the delete confirmation built from the table: exact
// texts, and names too long for the title cut without breaking a character.
#include "mapper/ui/core/window_texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mapper/ui/core/ui_texts.h"
#include "tests/support/sjis_convert.h"

namespace {

const std::string kPrefix = Sjis("Pamuro - 「");
const std::string kSuffix = Sjis("」");
const std::string kA = Sjis("あ");

class WindowTextsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearKeySetTable(table_);
        table_.SetKeyCount = 1;
        std::strcpy(table_.Names[0], kUntitledName);
        std::strcpy(table_.Names[1], "Game");
    }
    std::string Title() {
        char out[kTitleSize];
        std::memset(out, 'X', sizeof out);
        FormatWindowTitle(table_, out);
        return out;
    }
    KeySetTable table_;
};

TEST_F(WindowTextsTest, TitleNamesTheActiveSet) {
    EXPECT_EQ(Title(), kPrefix + kUntitledName + kSuffix);
    table_.ActiveSet = 1;
    EXPECT_EQ(Title(), kPrefix + "Game" + kSuffix);
}

TEST_F(WindowTextsTest, EmptyTableGivesThePlainTitle) {
    table_.SetKeyCount = -1;
    table_.ActiveSet = 0;
    EXPECT_EQ(Title(), "Pamuro");
}

TEST_F(WindowTextsTest, LongNamesAreCutAtACharacterBoundary) {
    // 242 bytes of name fill the 256-byte title exactly (13 fixed bytes and
    // the terminator). Names of one more byte lose their end.
    const struct {
        std::string name;
        std::string shown;
    } cases[] = {
        {std::string(242, 'a'), std::string(242, 'a')},
        {std::string(243, 'a'), std::string(242, 'a')},
        {std::string(255, 'a'), std::string(242, 'a')},
        // 121 double-byte characters are 242 bytes: they fit whole.
        {Repeat(kA, 121), Repeat(kA, 121)},
        // One ASCII byte first puts a double-byte character across byte 242:
        // it is dropped whole.
        {"a" + Repeat(kA, 127), "a" + Repeat(kA, 120)},
    };
    for (const auto& c : cases) {
        std::strcpy(table_.Names[0], c.name.c_str());
        const std::string title = Title();
        EXPECT_EQ(title, kPrefix + c.shown + kSuffix) << "name of " << c.name.size() << " bytes";
        EXPECT_LE(title.size(), static_cast<size_t>(kTitleSize - 1));
    }
}

TEST_F(WindowTextsTest, DeletePromptQuotesTheActiveName) {
    table_.ActiveSet = 1;
    char out[kPromptSize];
    FormatDeletePrompt(table_, out);
    EXPECT_EQ(out, Sjis("キー設定「Game」を削除します。よろしいですか？"));
    std::memset(table_.Names[1], 'n', kNameSize - 1);
    table_.Names[1][kNameSize - 1] = '\0';
    FormatDeletePrompt(table_, out);
    EXPECT_NE(std::string(out).find(std::string(255, 'n')), std::string::npos)
        << "the longest name fits the prompt whole";
}

}  // namespace
