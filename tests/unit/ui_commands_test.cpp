// The main window's commands through a recording view: what each does to the
// table and the engine, which views it refreshes and in what order, and what
// it leaves alone on Cancel, No, an empty name or an empty selection.
#include "mapper/ui/core/main_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapper/ui/core/ui_texts.h"

namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

class RecordingView : public MainWindowView {
  public:
    void RefreshSetList() override { calls.push_back("list"); }
    void RefreshTitle() override { calls.push_back("title"); }
    void RebuildTrayMenu() override { calls.push_back("tray"); }
    void SelectListEntry(int32_t index) override {
        calls.push_back("select " + std::to_string(index));
    }
    int32_t ListSelection() override {
        calls.push_back("selection?");
        return selection;
    }
    void InvalidateGrid() override { calls.push_back("grid"); }
    bool AskName(char* name) override {
        calls.push_back("name dialog");
        std::strcpy(name, typedName.c_str());
        return nameOk;
    }
    void ShowMessage(const char* text) override { calls.push_back(std::string("message ") + text); }
    bool AskYesNo(const char* text, const char* caption) override {
        calls.push_back(std::string("ask ") + caption);
        askedText = text;
        return answerYes;
    }
    void ShowHelp() override { calls.push_back("help"); }
    bool RunSettingsDialog() override {
        calls.push_back("settings");
        return settingsOk;
    }
    void SettingsChanged() override { calls.push_back("changed"); }
    void ShowCaptureWindow() override {
        calls.push_back("capture window mode " + std::to_string(engine->Mode.load()));
    }
    void DestroyMainWindow() override { calls.push_back("destroy"); }
    void RestoreFromTray() override { calls.push_back("restore"); }
    void ShowPauseState(bool paused) override { calls.push_back(paused ? "paused" : "resumed"); }
    bool StartsWithWindows() override { return false; }
    bool SetStartsWithWindows(bool) override { return true; }
    void ShowStartupState(bool) override {}

    EngineControls* engine = nullptr;
    std::vector<std::string> calls;
    int32_t selection = 0;
    std::string typedName;
    bool nameOk = true;
    bool answerYes = true;
    bool settingsOk = true;
    std::string askedText;
};

const std::vector<std::string> kRefreshAll = {"list", "title", "tray", "select 0", "grid"};

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearKeySetTable(table_);
        view_.engine = &engine_;
        table_.SetKeyCount = 2;
        std::strcpy(table_.Names[0], "X");
        std::strcpy(table_.Names[1], "Y");
        std::strcpy(table_.Names[2], "Z");
        table_.Keys[1][0][0] = 0x41;
        table_.Keys[2][0][0] = 0x5A;
    }
    void Command(uint16_t id) { HandleMainCommand(id, view_, table_, engine_); }
    std::vector<std::string> RefreshAllFor(int32_t active) {
        std::vector<std::string> expected = kRefreshAll;
        expected[3] = "select " + std::to_string(active);
        return expected;
    }
    // A change of the table is noted for saving and every view refreshed.
    std::vector<std::string> ChangedAndRefreshAll(int32_t active) {
        std::vector<std::string> expected = RefreshAllFor(active);
        expected.insert(expected.begin(), "changed");
        return expected;
    }

    KeySetTable table_;
    EngineControls engine_;
    RecordingView view_;
};

TEST_F(CommandsTest, TraySetEntriesSelectAndRefreshEverything) {
    Command(2);
    EXPECT_EQ(table_.ActiveSet, 2);
    EXPECT_THAT(view_.calls, UnorderedElementsAreArray(RefreshAllFor(2)));
}

TEST_F(CommandsTest, CommandsThatDoNothing) {
    for (uint16_t id : {80, 99, 107, 999, 1024, 1999, 2024, 40000, 40004, 40006, 65535}) {
        view_.calls.clear();
        Command(id);
        EXPECT_TRUE(view_.calls.empty()) << "command " << id;
        EXPECT_EQ(table_.ActiveSet, 0) << "command " << id;
        EXPECT_EQ(table_.SetKeyCount, 2) << "command " << id;
        EXPECT_EQ(engine_.Mode, EngineMapping) << "command " << id;
    }
}

TEST_F(CommandsTest, ComboSelectionSwitchesTheGridOnly) {
    view_.selection = 1;
    Command(IDC_MAIN_SET_LIST);
    EXPECT_EQ(table_.ActiveSet, 1);
    // Title and tray menu keep the set of their last refresh.
    EXPECT_THAT(view_.calls, ElementsAre("selection?", "grid"));
}

TEST_F(CommandsTest, ComboWithoutSelectionChangesNothing) {
    table_.ActiveSet = 2;
    view_.selection = -1;
    Command(IDC_MAIN_SET_LIST);
    EXPECT_EQ(table_.ActiveSet, 2);
    EXPECT_THAT(view_.calls, ElementsAre("selection?"));
}

TEST_F(CommandsTest, NewAppendsAnUntitledSetAndRefreshesAll) {
    Command(IDC_MAIN_NEW);
    EXPECT_EQ(table_.SetKeyCount, 3);
    EXPECT_EQ(table_.ActiveSet, 3);
    EXPECT_STREQ(table_.Names[3], kUntitledName);
    EXPECT_THAT(view_.calls, UnorderedElementsAreArray(ChangedAndRefreshAll(3)));
}

TEST_F(CommandsTest, DeleteAsksWithTheNameAndDeletesOnYes) {
    table_.ActiveSet = 0;
    Command(IDC_MAIN_DELETE);
    EXPECT_EQ(view_.askedText, std::string(kDeletePromptPrefix) + "X" + kDeletePromptSuffix);
    std::vector<std::string> expected = {std::string("ask ") + kConfirmCaption};
    const auto refresh = ChangedAndRefreshAll(0);
    expected.insert(expected.end(), refresh.begin(), refresh.end());
    EXPECT_THAT(view_.calls, UnorderedElementsAreArray(expected));
    EXPECT_EQ(table_.SetKeyCount, 1);
    EXPECT_STREQ(table_.Names[0], "Y");
    EXPECT_EQ(table_.Keys[0][0][0], 0x41);
}

TEST_F(CommandsTest, DeleteAnsweredNoChangesAndRefreshesNothing) {
    view_.answerYes = false;
    Command(IDC_MAIN_DELETE);
    EXPECT_EQ(table_.SetKeyCount, 2);
    EXPECT_STREQ(table_.Names[0], "X");
    EXPECT_EQ(view_.calls.size(), 1u);
}

TEST_F(CommandsTest, RenameStoresTheTypedTextAndRefreshesAllButTheGrid) {
    table_.ActiveSet = 1;
    view_.typedName = "  Shooter ";
    Command(IDC_MAIN_RENAME);
    EXPECT_STREQ(table_.Names[1], "  Shooter ");  // blanks kept
    EXPECT_THAT(view_.calls, UnorderedElementsAre("name dialog", "changed", "list", "title", "tray",
                                                  "select 1"));
}

TEST_F(CommandsTest, RenameRefusesAnEmptyNameAndIgnoresCancel) {
    view_.typedName = "";
    Command(IDC_MAIN_RENAME);
    EXPECT_STREQ(table_.Names[0], "X");
    EXPECT_THAT(view_.calls,
                ElementsAre("name dialog", std::string("message ") + kEmptyNameMessage));
    view_.calls.clear();
    view_.typedName = "New";
    view_.nameOk = false;
    Command(IDC_MAIN_RENAME);
    EXPECT_STREQ(table_.Names[0], "X");
    EXPECT_THAT(view_.calls, ElementsAre("name dialog"));
}

TEST_F(CommandsTest, ChangeButtonsStartTheCaptureOfTheirInputAndKey) {
    const struct {
        uint16_t id;
        int32_t input;
        int32_t key;
    } cases[] = {{1000, 0, 0}, {1011, 11, 0}, {1019, 19, 0},
                 {2000, 0, 1}, {2005, 5, 1},  {2019, 19, 1}};
    for (const auto& c : cases) {
        CancelCapture(engine_);
        view_.calls.clear();
        Command(c.id);
        // The window comes up while the engine still maps; then the capture starts.
        EXPECT_THAT(view_.calls, ElementsAre("capture window mode 1")) << "command " << c.id;
        EXPECT_EQ(engine_.Mode, EngineCapturing) << "command " << c.id;
        EXPECT_EQ(engine_.CaptureInput, c.input) << "command " << c.id;
        EXPECT_EQ(engine_.CaptureKey, c.key) << "command " << c.id;
    }
}

TEST_F(CommandsTest, PauseAndResumeSwitchControlAndMenu) {
    Command(IDM_TRAY_PAUSE);
    EXPECT_EQ(engine_.ControlEnabled, 0);
    Command(IDM_TRAY_RESUME);
    EXPECT_EQ(engine_.ControlEnabled, 1);
    EXPECT_THAT(view_.calls, ElementsAre("paused", "resumed"));
}

TEST_F(CommandsTest, WindowCommandsReachTheView) {
    for (uint16_t id : {IDC_MAIN_HELP, IDC_MAIN_SETTINGS, IDM_TRAY_SHOW, IDM_TRAY_EXIT}) {
        Command(id);
    }
    EXPECT_THAT(view_.calls, ElementsAre("help", "settings", "changed", "restore", "destroy"));
    EXPECT_EQ(table_.SetKeyCount, 2);
    view_.calls.clear();
    view_.settingsOk = false;  // Cancel stores nothing, so nothing is saved
    Command(IDC_MAIN_SETTINGS);
    EXPECT_THAT(view_.calls, ElementsAre("settings"));
}

TEST_F(CommandsTest, EmptyTableOffersNothingToDeleteRenameOrCapture) {
    table_.ActiveSet = 0;
    table_.SetKeyCount = 0;
    Command(IDC_MAIN_DELETE);
    EXPECT_EQ(table_.SetKeyCount, -1);
    view_.calls.clear();
    for (uint16_t id :
         {IDC_MAIN_DELETE, IDC_MAIN_RENAME, IDC_MAIN_CHANGE_KEY1, IDC_MAIN_CHANGE_KEY2}) {
        Command(id);
    }
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_EQ(engine_.Mode, EngineMapping);
    Command(IDC_MAIN_NEW);
    EXPECT_EQ(table_.SetKeyCount, 0);
    EXPECT_STREQ(table_.Names[0], kUntitledName);
    EXPECT_THAT(view_.calls, UnorderedElementsAreArray(ChangedAndRefreshAll(0)));
}

// The settings dialog's OK: the mode from the rapid-fire button, the rest
// from the up-down's answer, whose high word (no number typed) is ignored.
TEST(SettingsChoice, OkStoresTheModeAndTheSpinPosition) {
    const struct {
        bool rapid;
        uint32_t spinAnswer;
        uint8_t mode, sleep;
    } cases[] = {
        {true, 3, KeyDownRapid, 3},
        {false, 0, KeyDownNormal, 0},
        {false, 0x10005, KeyDownNormal, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OptionFromDialog(kOptionRows[0], c.rapid ? 1 : 0), c.mode) << c.spinAnswer;
        EXPECT_EQ(OptionFromDialog(kOptionRows[1], c.spinAnswer), c.sleep) << c.spinAnswer;
    }
}

}  // namespace
