// Which key set belongs to the program in front: the end of the program's
// path at the end of a set name, compared as Windows compares file names but
// without folding the second byte of a Shift-JIS character; the longest
// matching ending wins. Also when a switch is allowed, which program change
// selects a set, and when the fallback timer looks.
#include "mapper/ui/core/elevated_notice.h"
#include "mapper/ui/core/foreground_match.h"
#include "tests/support/sjis_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ForegroundMatchTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearKeySetTable(table_); }
    void SetNames(const std::vector<std::string>& sjisNames) {
        table_.SetKeyCount = static_cast<int32_t>(sjisNames.size()) - 1;
        for (size_t set = 0; set < sjisNames.size(); ++set) {
            ASSERT_LT(sjisNames[set].size(), static_cast<size_t>(kNameSize));
            std::strcpy(table_.Names[set], sjisNames[set].c_str());
        }
    }
    KeySetTable table_;
};

TEST_F(ForegroundMatchTest, ASetBelongsToTheProgramItsNameEndsWith) {
    const std::string long255 = Repeat("a", 251) + ".exe";
    const std::string japanese255 = Repeat(Sjis("ゲ"), 123) + " game.exe";
    struct Case {
        std::string setName;  // Shift-JIS
        std::string path;     // Shift-JIS
        bool belongs;
    };
    const Case cases[] = {
        {"game.exe", "game.exe", true},
        {Sjis("シューティング game.exe"), "game.exe", true},
        {Sjis("シューティング game.exe"), "GAME.EXE", true},
        {"Game.ExE", "gAME.eXe", true},
        {Sjis("レース  game.exe"), "game.exe", true},  // the last blank counts
        {" game.exe", "game.exe", true},
        {Sjis("シューティング.exe"), Sjis("シューティング.exe"), true},
        {Sjis("縦 シューティング.EXE"), Sjis("シューティング.exe"), true},
        {"game", "game", false},                              // no suffix
        {"game.exe ", "game.exe", false},                     // suffix not at the end
        {"game.exe1", "game.exe1", false},                    // no suffix
        {Sjis("game．ｅｘｅ"), Sjis("game．ｅｘｅ"), false},  // full-width is not ".exe"
        {".exe", ".exe", false},                              // a suffix alone
        {"game .exe", ".exe", false},                         // a suffix alone after a blank
        {"xgame.exe", "game.exe", false},                     // no blank before "game"
        {"game.exe", "xgame.exe", false},                     // nor in the program's name
        {Sjis("シューティングgame.exe"), "game.exe", false},  // the whole name is the file name
        {Sjis("シューティングgame.exe"), Sjis("シューティングgame.exe"), true},
        {Sjis("シューティング　game.exe"), "game.exe", true},  // the full-width blank
        {Sjis("シューティング Star Game.exe"), "star game.exe", true},
        {"Star Game.exe", "Star Game.exe", true},
        {"Star Game.exe", "Game.exe", true},
        {"Star Game.exe", "r Game.exe", false},
        // "堰" ends in 81, so 81 40 is there only as bytes, not as a blank.
        {Sjis("堰@game.exe"), "game.exe", false},
        {"game.exe", "game.ex", false},
        {"game.exe", "", false},
        // "ア" is 83 41 and "ヂ" is 83 61: their second bytes differ only
        // as the case of an ASCII letter would.
        {Sjis("ア.exe"), Sjis("ヂ.exe"), false},
        {Sjis("ア.exe"), Sjis("ア.EXE"), true},
        // "表" ends in the byte of a backslash.
        {Sjis("表 表.exe"), Sjis("表.exe"), true},
        {long255, long255, true},
        {long255, Repeat("A", 251) + ".EXE", true},
        {long255, Repeat("a", 252) + ".exe", false},
        {japanese255, "game.exe", true},
        // Folders: whole ones, and a backslash only where it stands alone
        // ("ソ" is 83 5C).
        {"Game.exe", "C:\\Games\\Game.exe", true},
        {"xGame.exe", "C:\\Games\\Game.exe", false},
        {Sjis("ＲＰＧ MyQuest\\Game.exe"), "D:\\MyQuest\\game.exe", true},
        {Sjis("ＲＰＧ MyQuest\\Game.exe"), "D:\\Other\\Game.exe", false},
        {"Quest\\Game.exe", "D:\\MyQuest\\Game.exe", false},
        {"C:\\Quest\\Game.exe", "C:\\Quest\\Game.exe", true},
        {"Game.exe", Sjis("C:\\ソGame.exe"), false},
        {Sjis("ソ\\Game.exe"), Sjis("C:\\ソ\\Game.exe"), true},
        {Sjis("表\\Game.exe"), Sjis("C:\\ソ\\Game.exe"), false},
        // Full-width Latin letters in any case, but never as ASCII ones.
        {Sjis("ＧＡＭＥ.exe"), Sjis("ｇａｍｅ.EXE"), true},
        {Sjis("ｒｐｇ\\Game.exe"), Sjis("C:\\ＲＰＧ\\Game.exe"), true},
        {Sjis("ＧＡＭＥ.exe"), "GAME.exe", false},
    };
    for (const Case& c : cases) {
        SetNames({"X", c.setName});
        EXPECT_EQ(SetForProgram(table_, c.path.c_str()), c.belongs ? 1 : -1)
            << "set name \"" << c.setName << "\", path \"" << c.path << "\"";
    }
    EXPECT_EQ(long255.size(), 255u);
    EXPECT_EQ(japanese255.size(), 255u);
}

// Several games of one making tool are all "Game.exe": the set naming the
// most of the path wins, then the one that names nothing else, then the first.
TEST_F(ForegroundMatchTest, TheLongestMatchingEndingWins) {
    struct Case {
        std::vector<std::string> names;  // Shift-JIS
        std::string path;
        int32_t set;
    };
    const Case cases[] = {
        {{"A Game.exe", Sjis("ＲＰＧ MyQuest\\Game.exe"), "Other\\Game.exe"},
         "C:\\MyQuest\\Game.exe",
         1},
        {{"A Game.exe", Sjis("ＲＰＧ MyQuest\\Game.exe"), "Other\\Game.exe"},
         "C:\\Other\\Game.exe",
         2},
        {{"A Game.exe", Sjis("ＲＰＧ MyQuest\\Game.exe")}, "C:\\Third\\Game.exe", 0},
        {{Sjis("シューティング game.exe"), "GAME.EXE"}, "C:\\game.exe", 1},
        {{"x game.exe", "y game.exe"}, "C:\\game.exe", 0},
        {{Sjis("レース"), "other.exe"}, "C:\\Other.exe", 1},
        {{Sjis("レース"), "other.exe"}, Sjis("レース"), -1},
    };
    for (const Case& c : cases) {
        SetNames(c.names);
        EXPECT_EQ(SetForProgram(table_, c.path.c_str()), c.set) << c.path;
    }

    // A deleted set leaves its copy above SetKeyCount; it belongs to no program.
    std::strcpy(table_.Names[4], "stale.exe");
    EXPECT_EQ(SetForProgram(table_, "stale.exe"), -1);
    table_.SetKeyCount = -1;
    EXPECT_EQ(SetForProgram(table_, "other.exe"), -1);
}

TEST(ForegroundFollowTest, SwitchesOnlyWhileMappingWithNoDialogOpen) {
    struct Case {
        int32_t mode;
        uint8_t controlEnabled;
        bool dialogOpen;
        bool may;
    };
    const Case cases[] = {
        {EngineMapping, 1, false, true},   {EngineMapping, 0, false, false},
        {EngineMapping, 1, true, false},   {EngineCapturing, 1, false, false},
        {EngineCapturing, 0, true, false}, {0, 1, false, false},
    };
    EngineControls engine;
    for (const Case& c : cases) {
        engine.Mode = c.mode;
        engine.ControlEnabled = c.controlEnabled;
        EXPECT_EQ(MayFollowForeground(engine, c.dialogOpen), c.may)
            << "mode " << c.mode << ", control " << int(c.controlEnabled) << ", dialog "
            << c.dialogOpen;
    }
}

// Windows 1 and 2 belong to game.exe, 3 to a program no set names, 4 to
// mapper itself; 5 cannot be asked.
class ScriptedForeground : public ForegroundSource {
  public:
    bool IsOwnWindow(uintptr_t window) override { return window == 4; }
    bool ProgramPath(uintptr_t window, char* path) override {
        const char* programs[] = {"", "C:\\game.exe", "C:\\GAME.EXE", "C:\\other.exe",
                                  "mapper.exe"};
        return window >= 1 && window <= 4 && std::strcpy(path, programs[window]) != nullptr;
    }
    bool DialogOrMenuOpen() override { return false; }
};

TEST_F(ForegroundMatchTest, ASetIsSelectedOnlyWhenAnotherProgramComesToTheFront) {
    SetNames({Sjis("レース"), Sjis("シューティング game.exe")});
    struct Step {
        uintptr_t window;
        int32_t active, selected;
        const char* what;
    };
    const Step steps[] = {
        {1, 0, 1, "the game in front when mapper starts"},
        {2, 0, -1, "the same program again after a set chosen by hand"},
        {4, 0, -1, "mapper's own window"},
        {1, 0, -1, "the game back from mapper's own window"},
        {3, 0, -1, "a program no set names"},
        {5, 0, -1, "a program that cannot be asked"},
        {2, 0, 1, "the game after another program"},
        {3, 1, -1, "another program"},
        {1, 1, -1, "the game, its set already active"},
    };
    EngineControls engine;
    ScriptedForeground source;
    ForegroundFollower follower = {};
    for (const Step& step : steps) {
        table_.ActiveSet = step.active;
        EXPECT_EQ(SetToFollow(follower, table_, engine, source, step.window), step.selected)
            << step.what;
    }
}

// The timer looks at each new front window until an event about another
// program shows that events arrive; then it looks at nothing.
TEST(ForegroundFollowTest, TheTimerStandsInUntilAnEventAboutAnotherProgramArrives) {
    ForegroundWatch watch;
    StartForegroundWatch(watch, 10);
    EXPECT_FALSE(NoteForegroundTick(watch, 10)) << "the window in front at start";
    EXPECT_TRUE(NoteForegroundTick(watch, 20));
    EXPECT_FALSE(NoteForegroundTick(watch, 20));
    EXPECT_FALSE(NoteForegroundTick(watch, 0)) << "nothing in front";
    EXPECT_TRUE(NoteForegroundTick(watch, 10));

    NoteForegroundEvent(watch, 30, true);  // mapper's own window
    EXPECT_TRUE(ForegroundTimerNeeded(watch));
    EXPECT_FALSE(NoteForegroundTick(watch, 30)) << "already seen through the event";
    EXPECT_TRUE(NoteForegroundTick(watch, 40));

    NoteForegroundEvent(watch, 50, false);
    EXPECT_FALSE(ForegroundTimerNeeded(watch));
    EXPECT_FALSE(NoteForegroundTick(watch, 60));
}

TEST(ElevatedNoticeTest, KeysAreDroppedForAProgramAboveMapper) {
    constexpr uint32_t kMedium = 0x2000, kHigh = 0x3000, kSystem = 0x4000;
    struct Case {
        ProcessRights program, mapper;
        bool dropped;
        const char* what;
    };
    const Case cases[] = {
        {{TokenAnswer::Read, true, kHigh}, {TokenAnswer::Read, false, kMedium}, true, "elevated"},
        {{TokenAnswer::Read, true, kHigh}, {TokenAnswer::Read, true, kHigh}, false, "both"},
        {{TokenAnswer::Read, false, kMedium}, {TokenAnswer::Read, false, kMedium}, false, "none"},
        {{TokenAnswer::Read, false, kHigh}, {TokenAnswer::Read, false, kMedium}, true, "level"},
        {{TokenAnswer::Read, true, kSystem}, {TokenAnswer::Read, true, kHigh}, true, "system"},
        {{TokenAnswer::Read, false, kHigh}, {TokenAnswer::Read, false, 0}, false, "own unknown"},
        {{TokenAnswer::AccessDenied, false, 0},
         {TokenAnswer::Read, false, kMedium},
         true,
         "another account's admin rights"},
        {{TokenAnswer::Unknown, false, 0}, {TokenAnswer::Read, false, kMedium}, false, "unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeysDroppedFor(c.program, c.mapper), c.dropped) << c.what;
    }
}

// Records the notices shown as "balloon NAME" or "box NAME", after checking
// the text around the program's file name; a balloon is taken while
// BalloonShown.
class RecordingNoticeView : public ElevatedNoticeView {
  public:
    std::vector<std::string> Shown;
    bool BalloonShown = true;
    bool ShowTrayBalloon(const char* text) override {
        Shown.push_back("balloon " + Named(text));
        return BalloonShown;
    }
    void ShowMessageBox(const char* text) override { Shown.push_back("box " + Named(text)); }

  private:
    static std::string Named(const char* sjis) {
        const std::string
            text = SjisToUtf8(sjis),
            head = "管理者として実行されているプログラム（",
            tail = "）には、キーを送れません。\r\nPamuro も管理者として実行してください。";
        EXPECT_EQ(text.rfind(head, 0), 0u);
        EXPECT_EQ(text.find(tail), text.size() - tail.size());
        return text.substr(head.size(), text.size() - head.size() - tail.size());
    }
};

// A balloon where the shell takes one, and in every case a box when mapper's
// window next comes to the front (nullptr), never while the game is; then
// nothing more for that program.
TEST(ElevatedNoticeTest, EachElevatedProgramIsToldOnceByItsBox) {
    struct Step {
        const char* front;
        bool keysDropped, balloonShown;
        std::vector<std::string> shown;
    };
    const Step steps[] = {
        {"game.exe", false, true, {}},
        {"admin.exe", true, true, {"balloon admin.exe"}},
        {"ADMIN.EXE", true, true, {}},  // the same program
        {"tool.exe", true, false, {"balloon tool.exe"}},
        {"tool.exe", true, false, {"balloon tool.exe"}},  // not shown: tried again
        {"ゲーム.exe", true, true, {"balloon ゲーム.exe"}},
        {nullptr, false, true, {"box admin.exe", "box tool.exe", "box ゲーム.exe"}},
        {nullptr, false, true, {}},
        {"tool.exe", true, true, {}},
    };
    ElevatedNotice notice;
    StartElevatedNotice(notice);
    RecordingNoticeView view;
    for (const Step& step : steps) {
        view.Shown.clear();
        view.BalloonShown = step.balloonShown;
        if (step.front == nullptr) {
            NoteMainWindowInFront(notice, view);
        } else {
            NoteProgramInFront(notice, view, Sjis(step.front).c_str(), step.keysDropped);
        }
        EXPECT_EQ(view.Shown, step.shown) << (step.front ? step.front : "mapper");
    }
}

// More programs than the list holds come to the front before mapper's window
// does: the first one still gets its box, and those that found no room are
// told when they come back.
TEST(ElevatedNoticeTest, AProgramWaitingForItsBoxStaysInAFullList) {
    ElevatedNotice notice;
    StartElevatedNotice(notice);
    RecordingNoticeView view;
    NoteProgramInFront(notice, view, "first.exe", true);
    for (int i = 0; i < kNoticeProgramCount + 8; ++i) {
        NoteProgramInFront(notice, view, ("p" + std::to_string(i) + ".exe").c_str(), true);
    }
    view.Shown.clear();
    NoteMainWindowInFront(notice, view);
    ASSERT_EQ(view.Shown.size(), static_cast<size_t>(kNoticeProgramCount));
    EXPECT_EQ(view.Shown.front(), "box first.exe");

    const std::string late = "p" + std::to_string(kNoticeProgramCount + 2) + ".exe";
    view.Shown.clear();
    NoteProgramInFront(notice, view, "first.exe", true);  // told already
    NoteProgramInFront(notice, view, late.c_str(), true);
    NoteMainWindowInFront(notice, view);
    EXPECT_EQ(view.Shown, (std::vector<std::string>{"balloon " + late, "box " + late}));
}

}  // namespace
