// mapper.exe under Wine follows the program in front: the key logger, started
// under the folder and file name that end a set's name, brings that set in
// (title, list, tray check mark and the keys it sends); the driver's own
// window, a program no set names, changes nothing; neither does the logger
// while mapper is paused, shows a dialog or captures a key.
//
// Wine 8 raises no EVENT_SYSTEM_FOREGROUND when a window is activated, so
// there mapper follows with its slow timer; one test shows that. The others
// raise the event from the driver after each change, as Windows does, and so
// run mapper's event path.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "mapper/ui/resource.h"
#include "tests/wine/key_logger/key_log.h"
#include "tests/wine/mapper/mapper_e2e_fixture.h"

namespace {

const std::wstring kGameFolder = L"STG";
const std::wstring kGameFile = L"シューティング.exe";
const std::wstring kRaceTitle = L"Pamuro - 「レース」";
const std::wstring kGameTitle = L"Pamuro - 「縦 STG\\シューティング.exe」";

using KeyEvents = std::vector<std::pair<LONG, LONG>>;
const KeyEvents kGameKeys = {{WM_KEYDOWN, 'B'}, {WM_KEYUP, 'B'}};

// Sets 0 and 2 send A and C for the stick's Up; set 1, named after the game's
// folder and file, sends B. Set 2 names the file alone, in capitals, and
// loses to set 1, which names more of the game's path.
std::string TopIniWithAGameSet() {
    std::string text = "[PAMURO]\r\nSETKEYCOUNT=2\r\n[KEYSETNAME]\r\n";
    text += "KEYSETNAME 0=" + Sjis(L"レース") + "\r\n";
    text += "KEYSETNAME 1=" + Sjis(L"縦 STG\\シューティング.exe") + "\r\n";
    text += "KEYSETNAME 2=" + Sjis(L"シューティング.EXE") + "\r\n";
    text += "[KEYSET]\r\nKEYSET 0- 0- 0=65\r\nKEYSET 1- 0- 0=66\r\nKEYSET 2- 0- 0=67\r\n";
    text += "[SETTING]\r\nSetKeyDownMode=1\r\nSetSleep=1\r\n";
    return text;
}

// The driver's own window stands for another program; its messages are
// pumped while the driver waits.
void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            PumpMessages();
            return done();
        },
        timeoutMs);
}

class ForegroundE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        stick_ = OpenTestJoystick();
        ASSERT_NE(stick_, nullptr);
        PlugCentredJoystick(stick_);
        log_ = OpenKeyLog();
        ASSERT_NE(log_, nullptr);
        folder_ = MakeWorkFolder();
        WriteFileBytes(folder_ + L"\\Top.ini", TopIniWithAGameSet());
        CreateOtherWindow();
    }
    void TearDown() override {
        StopKeyLogger(log_, game_);
        DestroyWindow(other_);
        PumpMessages();
    }
    void CreateOtherWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PamuroOtherProgram";
        RegisterClassW(&windowClass);
        other_ = CreateWindowExW(0, L"PamuroOtherProgram", L"other program",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 50, 300, 200, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(other_, nullptr);
    }
    // The key logger copied under the game's folder and file name, started:
    // it puts itself in front.
    void StartGame() {
        const std::wstring gameFolder = folder_ + L"\\" + kGameFolder;
        CreateDirectoryW(gameFolder.c_str(), nullptr);
        const std::wstring game = gameFolder + L"\\" + kGameFile;
        ASSERT_TRUE(CopyFileW((OwnFolder() + L"key_logger.exe").c_str(), game.c_str(), FALSE));
        ASSERT_TRUE(StartKeyLogger(log_, game_, game));
    }
    HWND GameWindow() const { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(log_->Window)); }

    // Puts `window` in front, raises the foreground event for it, and
    // returns once mapper has handled that event: Wine queues the event to
    // mapper's thread in order with the messages sent to it, so the reply to
    // a message sent afterwards comes only after mapper's handler has run.
    // With the first event mapper's timer stops, so after this a title that
    // is as it was means mapper saw the change and kept the set.
    void BringToFront(HWND window) {
        SetForegroundWindow(window);
        // Pumping also tells this thread that a foreground hook exists.
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }, kActMs));
        NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, CHILDID_SELF);
        DWORD_PTR ignored = 0;
        ASSERT_NE(SendMessageTimeoutW(run_.Main(), WM_NULL, 0, 0, SMTO_BLOCK, kActMs, &ignored), 0);
    }
    // Chooses `set` as the tray menu does, and checks that it took.
    void ChooseSet(int set, const std::wstring& title) {
        SendMessageW(run_.Main(), WM_COMMAND, static_cast<WPARAM>(set), 0);
        ASSERT_EQ(WindowText(run_.Main()), title);
    }
    int ListSelection() {
        return static_cast<int>(SendMessageW(run_.Control(IDC_MAIN_SET_LIST), CB_GETCURSEL, 0, 0));
    }
    // Stick up and back; the key events it gave the game.
    KeyEvents GameKeysForUp() {
        ResetKeyLog(log_);
        stick_->Y = 0;
        EXPECT_TRUE(WaitForKeyLog(log_, 1, kActMs));
        stick_->Y = 32768;
        EXPECT_TRUE(WaitForKeyLog(log_, 2, kActMs));
        KeyEvents events;
        for (LONG i = 0; i < log_->Count; ++i) {
            events.emplace_back(log_->Entries[i].Message, log_->Entries[i].Vk);
        }
        return events;
    }
    void StartMapper() {
        ASSERT_TRUE(run_.Start(folder_, L"/T"));
        ASSERT_NE(run_.WaitMainWindow(kStartMs), nullptr);
        ASSERT_EQ(run_.WaitSetTitle(kStartMs), kRaceTitle);
    }
    void CloseMapper() {
        PostMessageW(run_.Main(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(run_.WaitExit(kStartMs));
    }
    // Opens a dialog by `command`, puts the game in front under it, and
    // closes the dialog with `close`: the race set must stay.
    void ExpectNoSwitchUnder(WPARAM command, const std::wstring& title, WPARAM close) {
        PostMessageW(run_.Main(), WM_COMMAND, command, 0);
        HWND dialog = run_.WaitDialog(title.c_str(), kActMs);
        ASSERT_NE(dialog, nullptr) << Sjis(title);
        BringToFront(GameWindow());
        EXPECT_EQ(WindowText(run_.Main()), kRaceTitle) << "switched under " << Sjis(title);
        PostMessageW(dialog, WM_COMMAND, close, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));
    }

    TestJoystick* stick_ = nullptr;
    KeyLog* log_ = nullptr;
    std::wstring folder_;
    HWND other_ = nullptr;
    ChildProcess game_;
    MapperRun run_;
};

// Without the event (Wine 8 raises none) the slow timer notices the game.
TEST_F(ForegroundE2E, TheTimerFollowsTheGameWhereNoEventComes) {
    StartMapper();
    StartGame();
    EXPECT_TRUE(WaitUntil([&] { return WindowText(run_.Main()) == kGameTitle; }, kActMs))
        << Sjis(WindowText(run_.Main()));
    EXPECT_EQ(ListSelection(), 1);
    EXPECT_EQ(GameKeysForUp(), kGameKeys);
    CloseMapper();
}

TEST_F(ForegroundE2E, TheGameInFrontBringsItsSetAndOtherWindowsLeaveIt) {
    StartMapper();
    BringToFront(other_);
    EXPECT_EQ(WindowText(run_.Main()), kRaceTitle);

    // Checked at once: only the event can have switched by now.
    StartGame();
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kGameTitle) << Sjis(WindowText(run_.Main()));
    EXPECT_EQ(ListSelection(), 1);
    EXPECT_EQ(GameKeysForUp(), kGameKeys);

    // The tray popup shows the check mark on the game's set. Opening it puts
    // mapper itself in front, which changes nothing either.
    HWND popup = run_.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    std::vector<std::pair<UINT, bool>> checks;
    for (const MenuEntry& entry : ReadPopupMenu(popup)) {
        if (!entry.separator && entry.id <= 2) {
            checks.emplace_back(entry.id, entry.checked);
        }
    }
    EXPECT_EQ(checks, (std::vector<std::pair<UINT, bool>>{{2, false}, {1, true}, {0, false}}));
    PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(popup); }, kActMs));
    EXPECT_EQ(WindowText(run_.Main()), kGameTitle);

    // The game again, and another program in front: the set chosen by hand
    // stays.
    ChooseSet(0, kRaceTitle);
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kRaceTitle);
    BringToFront(other_);
    EXPECT_EQ(WindowText(run_.Main()), kRaceTitle);
    EXPECT_EQ(ListSelection(), 0);

    // The game in front again brings its set back.
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kGameTitle);
    EXPECT_EQ(GameKeysForUp(), kGameKeys);

    CloseMapper();
}

TEST_F(ForegroundE2E, NothingSwitchesWhilePausedOrADialogOrACaptureIsOpen) {
    StartMapper();
    StartGame();
    BringToFront(GameWindow());
    ASSERT_EQ(WindowText(run_.Main()), kGameTitle);

    // Paused, and after the resume.
    ChooseSet(0, kRaceTitle);
    SendMessageW(run_.Main(), WM_COMMAND, IDM_TRAY_PAUSE, 0);  // "一時停止(&S)"
    BringToFront(other_);
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kRaceTitle) << "switched while paused";
    SendMessageW(run_.Main(), WM_COMMAND, IDM_TRAY_RESUME, 0);  // "制御再開(&S)"
    BringToFront(other_);
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kGameTitle) << "not switched after the resume";

    // The settings dialog open, then the delete confirmation: a switch
    // under it would delete another set than the one it names.
    ChooseSet(0, kRaceTitle);
    ASSERT_NO_FATAL_FAILURE(ExpectNoSwitchUnder(106, L"環境設定", IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(ExpectNoSwitchUnder(104, L"確認", IDNO));

    // A key capture running.
    PostMessageW(run_.Main(), WM_COMMAND, 1000, 0);
    HWND capture = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (capture = run_.FindWindowOf(L"PamuroKey", L"キー登録")) != nullptr; },
        kActMs));
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kRaceTitle) << "switched during a capture";
    SendMessageW(GetDlgItem(capture, IDC_CAPTURE_CANCEL), BM_CLICK, 0, 0);  // "キャンセル"
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(capture); }, kActMs));

    // All closed: the game in front after another program switches again.
    BringToFront(other_);
    BringToFront(GameWindow());
    EXPECT_EQ(WindowText(run_.Main()), kGameTitle);

    CloseMapper();
}

}  // namespace
