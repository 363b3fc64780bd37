// mapper.exe as the user meets it, under Wine: start-up with and without
// Top.ini and joystick, the set commands and their dialogs, the tray icon and
// its popup, pause and resume, keys synthesised from the test joystick in
// both button modes, a key assignment completed by a real key press, and the
// start-up shortcut.
// Each test starts the program in a fresh working folder; the driver clicks
// its buttons with the mouse and presses keys (xdotool), talks to it with
// window messages, and reads the tray popup through the menu reader hook.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "mapper/ui/resource.h"
#include "mapper/ui/window_messages.h"
#include "tests/wine/key_logger/key_log.h"
#include "tests/wine/mapper/mapper_e2e_fixture.h"
#include "tests/wine/support/system_folder_dll.h"

namespace {

TEST_F(MapperE2E, FirstStartWithoutJoystickWarnsThenSavesOneUntitledSet) {
    MapperRun run;
    HWND warning = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartToWarning(run, &warning));
    EXPECT_EQ(MessageBoxText(warning), L"ジョイスティックが使用できません。");
    // The warning comes before the set list and the title are filled.
    EXPECT_EQ(WindowText(run.Main()), L"Pamuro");
    EXPECT_TRUE(ComboEntries(run.Control(100)).empty());
    PostMessageW(warning, WM_COMMAND, IDOK, 0);

    EXPECT_EQ(run.WaitSetTitle(kStartMs), Title(kUntitled));
    EXPECT_EQ(ComboEntries(run.Control(100)), std::vector<std::wstring>{kUntitled});
    EXPECT_EQ(ComboSelection(run), 0);
    EXPECT_TRUE(IsWindowVisible(run.Main()));
    CloseAndWait(run);
    EXPECT_EQ(ReadFileBytes(TopIni()), ExpectedTopIni({{kUntitled, {}}}, 0, 0));
}

TEST_F(MapperE2E, SetCommandsNewRenameDeleteAndTraySwitch) {
    PlugJoystick();
    WriteFileBytes(TopIni(), PreparedTopIni({L"レース", L"シューティング"}, {}, 1, 2));
    MapperRun run;
    StartWithJoystick(run, L"");
    EXPECT_EQ(run.FindWindowOf(L"#32770", nullptr), nullptr) << "warning despite a joystick";
    EXPECT_EQ(WindowText(run.Main()), Title(L"レース"));
    HWND combo = run.Control(100);
    EXPECT_EQ(ComboEntries(combo), (std::vector<std::wstring>{L"レース", L"シューティング"}));

    // A set chosen from the tray menu: title and combo follow.
    SendMessageW(run.Main(), WM_COMMAND, 1, 0);
    EXPECT_EQ(WindowText(run.Main()), Title(L"シューティング"));
    EXPECT_EQ(ComboSelection(run), 1);

    // New: an untitled third set, active.
    ASSERT_TRUE(ClickControl(run.Control(105)));
    ASSERT_TRUE(WaitUntil([&] { return ComboEntries(combo).size() == 3; }, kActMs));
    EXPECT_EQ(WindowText(run.Main()), Title(kUntitled));
    EXPECT_EQ(ComboSelection(run), 2);

    // Rename with an empty text is refused with a message.
    ASSERT_TRUE(ClickControl(run.Control(103)));
    HWND nameDialog = run.WaitDialog(L"名前設定", kActMs);
    ASSERT_NE(nameDialog, nullptr);
    PostMessageW(nameDialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(nameDialog); }, kActMs));
    HWND refusal = run.WaitDialog(nullptr, kActMs);
    ASSERT_NE(refusal, nullptr);
    ASSERT_TRUE(
        WaitUntil([&] { return MessageBoxText(refusal) == L"名前が入力されていません"; }, kActMs))
        << "got: " << Sjis(MessageBoxText(refusal));
    PostMessageW(refusal, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(refusal); }, kActMs));
    EXPECT_EQ(WindowText(run.Main()), Title(kUntitled));

    // Rename with a character that Shift-JIS cannot hold: refused, the
    // dialog stays open with the text, nothing is lost.
    ASSERT_TRUE(ClickControl(run.Control(103)));
    nameDialog = run.WaitDialog(L"名前設定", kActMs);
    ASSERT_NE(nameDialog, nullptr);
    SendMessageW(GetDlgItem(nameDialog, IDC_NAME_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"Ü€"));
    PostMessageW(nameDialog, WM_COMMAND, IDOK, 0);
    HWND unstorable = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            unstorable = run.WaitDialog(nullptr, 0);
            return unstorable != nullptr && unstorable != nameDialog;
        },
        kActMs));
    ASSERT_TRUE(WaitUntil(
        [&] { return MessageBoxText(unstorable) == L"名前に使えない文字が含まれています。"; },
        kActMs));
    PostMessageW(unstorable, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(unstorable); }, kActMs));
    EXPECT_TRUE(IsWindowVisible(nameDialog));
    EXPECT_EQ(WindowText(GetDlgItem(nameDialog, IDC_NAME_EDIT)), L"Ü€");

    // Rename with a name, blanks kept.
    SendMessageW(GetDlgItem(nameDialog, IDC_NAME_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L" パズル２"));
    PostMessageW(nameDialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(run.Main()) == Title(L" パズル２"); }, kActMs))
        << Sjis(WindowText(run.Main()));
    EXPECT_EQ(ComboEntries(combo)[2], L" パズル２");
    EXPECT_EQ(ComboSelection(run), 2);

    // Delete the second set after the confirmation; the third moves up.
    SendMessageW(run.Main(), WM_COMMAND, 1, 0);
    ASSERT_TRUE(ClickControl(run.Control(104)));
    HWND confirm = run.WaitDialog(L"確認", kActMs);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(MessageBoxText(confirm), L"キー設定「シューティング」を削除します。よろしいですか？");
    ASSERT_TRUE(ClickControl(GetDlgItem(confirm, IDYES)));
    ASSERT_TRUE(WaitUntil([&] { return ComboEntries(combo).size() == 2; }, kActMs));
    EXPECT_EQ(ComboEntries(combo), (std::vector<std::wstring>{L"レース", L" パズル２"}));
    EXPECT_EQ(WindowText(run.Main()), Title(L" パズル２"));

    // Help without a help page beside the program says so.
    ASSERT_TRUE(ClickControl(run.Control(102)));
    HWND noHelp = run.WaitDialog(nullptr, kActMs);
    ASSERT_NE(noHelp, nullptr);
    ASSERT_TRUE(WaitUntil(
        [&] { return MessageBoxText(noHelp) == L"ヘルプファイルが見つかりません。"; }, kActMs));
    PostMessageW(noHelp, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(noHelp); }, kActMs));

    CloseAndWait(run);
    const std::string saved = ReadFileBytes(TopIni());
    EXPECT_NE(saved.find("SETKEYCOUNT=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("KEYSETNAME 1=" + Sjis(L" パズル２") + "\r\n"), std::string::npos);
    EXPECT_NE(saved.find("SetKeyDownMode=1\r\nSetSleep=2\r\n"), std::string::npos);
}

// Started in the tray ("/t": case does not matter), the popup of the tray
// icon lists the sets newest first with the active one checked; an entry
// chosen there switches the set while the window stays hidden.
TEST_F(MapperE2E, TrayPopupListsSetsNewestFirstAndSwitchesWhileHidden) {
    PlugJoystick();
    WriteFileBytes(TopIni(), PreparedTopIni({L"レース", L"シューティング", L"パズル"}, {}, 1, 0));
    MapperRun run;
    StartWithJoystick(run, L"/t");
    EXPECT_FALSE(IsWindowVisible(run.Main()));
    EXPECT_TRUE(TrayIconPresent(run.Main()));

    HWND popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr) << "no popup on a right press over the icon";
    EXPECT_EQ(DescribeMenu(popup),
              TrayMenu({L"2 パズル", L"1 シューティング", L"0 レース [checked]"}, false));
    PostKey(popup, VK_ESCAPE);  // Esc closes it; nothing changes
    ASSERT_TRUE(WaitClosed(popup));
    EXPECT_EQ(WindowText(run.Main()), Title(L"レース"));

    popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(ChooseMenuEntry(popup, 2));  // the top entry
    ASSERT_TRUE(WaitUntil([&] { return WindowText(run.Main()) == Title(L"パズル"); }, kActMs))
        << Sjis(WindowText(run.Main()));
    EXPECT_EQ(ComboSelection(run), 2);
    EXPECT_FALSE(IsWindowVisible(run.Main()));
    EXPECT_TRUE(TrayIconPresent(run.Main()));

    // The check mark has moved; the owner's WM_CANCELMODE closes the popup.
    popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(DescribeMenu(popup),
              TrayMenu({L"2 パズル [checked]", L"1 シューティング", L"0 レース"}, false));
    PostMessageW(run.Main(), WM_CANCELMODE, 0, 0);
    ASSERT_TRUE(WaitClosed(popup));

    // "ウィンドウを表示(&D)" brings the window back and takes the icon away.
    popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(ChooseMenuEntry(popup, IDM_TRAY_SHOW));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(run.Main()) != FALSE; }, kActMs));
    EXPECT_TRUE(WaitUntil([&] { return !TrayIconPresent(run.Main()); }, kActMs));

    // "終了(&X)" from the tray, hidden again: the program ends and saves.
    SendMessageW(run.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(ChooseMenuEntry(popup, IDM_TRAY_EXIT));
    ASSERT_TRUE(run.WaitExit(kStartMs));
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_NE(ReadFileBytes(TopIni()).find("KEYSETNAME 2=" + Sjis(L"パズル")), std::string::npos);
}

TEST_F(MapperE2E, TailOtherThanSlashTShowsTheWindow) {
    PlugJoystick();
    MapperRun run;
    StartWithJoystick(run, L"/T2");
    EXPECT_TRUE(IsWindowVisible(run.Main()));
    CloseAndWait(run);
}

using KeyEvents = std::vector<std::pair<LONG, LONG>>;
std::pair<LONG, LONG> Down(LONG key) {
    return {WM_KEYDOWN, key};
}
std::pair<LONG, LONG> Up(LONG key) {
    return {WM_KEYUP, key};
}

// Keys of the active set reach the foreground window (the key logger).
class MapperKeysE2E : public MapperE2E {
  protected:
    void SetUp() override {
        MapperE2E::SetUp();
        log_ = OpenKeyLog();
        ASSERT_NE(log_, nullptr);
        PlugJoystick();
    }
    void TearDown() override { StopKeyLogger(log_, logger_); }
    // The game, with an empty log.
    void StartLogger() {
        ASSERT_TRUE(StartKeyLogger(log_, logger_, OwnFolder() + L"key_logger.exe"));
        ResetKeyLog(log_);
    }
    // Gives the key logger the foreground again, where synthesised keys go.
    void BringLoggerForward() {
        HWND logger = reinterpret_cast<HWND>(static_cast<LONG_PTR>(log_->Window));
        SetForegroundWindow(logger);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == logger; }, kActMs));
    }
    std::vector<std::pair<LONG, LONG>> Events() const {
        std::vector<std::pair<LONG, LONG>> events;
        for (LONG i = 0; i < log_->Count; ++i) {
            events.emplace_back(log_->Entries[i].Message, log_->Entries[i].Vk);
        }
        return events;
    }
    // Up on the stick: A; button 1: Z then X; button 10: C.
    std::string Bindings(int mode, int sleep) {
        return PreparedTopIni(
            {L"操作"},
            {"KEYSET 0- 0- 0=65", "KEYSET 0- 4- 0=90", "KEYSET 0- 4- 1=88", "KEYSET 0-13- 0=67"},
            mode, sleep);
    }

    KeyLog* log_ = nullptr;
    ChildProcess logger_;
};

TEST_F(MapperKeysE2E, NormalModePressesOnceAndReleasesInOrder) {
    WriteFileBytes(TopIni(), Bindings(1, 1));
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs));
    ASSERT_TRUE(WaitForPolls(20));  // many polls while held: still one key-down
    stick_->Y = 32768;
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs));
    stick_->Buttons = 1;
    ASSERT_TRUE(WaitForKeyLog(log_, 4, kActMs));
    ASSERT_TRUE(WaitForPolls(20));
    stick_->Buttons = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 6, kActMs));
    stick_->Buttons = 1 << 9;  // button 10
    ASSERT_TRUE(WaitForKeyLog(log_, 7, kActMs));
    ASSERT_TRUE(WaitForPolls(20));
    stick_->Buttons = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 8, kActMs));
    ASSERT_TRUE(WaitForPolls(20));
    const std::vector<std::pair<LONG, LONG>> expected = {
        {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, 'Z'}, {WM_KEYDOWN, 'X'},
        {WM_KEYUP, 'Z'},   {WM_KEYUP, 'X'}, {WM_KEYDOWN, 'C'}, {WM_KEYUP, 'C'},
    };
    EXPECT_EQ(Events(), expected);
    CloseAndWait(run);
}

// A second start, from another folder, shows the first's window, names the
// first's folder and ends having read and written nothing; one engine runs,
// so a button press gives one key-down.
TEST_F(MapperKeysE2E, ASecondStartShowsTheFirstAndRunsNoSecondEngine) {
    WriteFileBytes(TopIni(), PreparedTopIni({L"操作"}, {"KEYSET 0- 4- 0=90"}, 1, 1));
    MapperRun first;
    StartWithJoystick(first, L"/T");
    ASSERT_FALSE(IsWindowVisible(first.Main()));
    const std::wstring otherFolder = MakeWorkFolder();
    MapperRun second;
    ASSERT_TRUE(second.Start(otherFolder, L""));
    HWND told = second.WaitDialog(nullptr, kStartMs);
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(MessageBoxText(told), L"Pamuro は既に別のフォルダーで起動しています：" + folder_);
    PostMessageW(told, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(second.WaitExit(kStartMs));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(first.Main()) != FALSE; }, kActMs));
    EXPECT_EQ(GetFileAttributesW((otherFolder + L"\\Top.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    StartLogger();
    stick_->Buttons = 1;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs));
    stick_->Buttons = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs));
    ASSERT_TRUE(WaitForPolls(20));
    const std::vector<std::pair<LONG, LONG>> expected = {{WM_KEYDOWN, 'Z'}, {WM_KEYUP, 'Z'}};
    EXPECT_EQ(Events(), expected);
    CloseAndWait(first);
}

// The end of the session (a shutdown) reaches mapper in the tray, after a
// capture, as WM_QUERYENDSESSION and WM_ENDSESSION: it releases the key it
// holds for a button still pressed, saves and takes its icon away.
TEST_F(MapperKeysE2E, SessionEndReleasesKeysAndSaves) {
    WriteFileBytes(TopIni(), Bindings(1, 1));
    MapperRun run;
    StartWithJoystick(run, L"");
    ASSERT_NO_FATAL_FAILURE(CaptureKey(run, 2011, L"d"));  // key 2 of Button 8
    SendMessageW(run.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(TrayIconPresent(run.Main()));
    StartLogger();
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs));
    // Without --shutdown, Wine would go on to a new logon.
    ASSERT_TRUE(RunUnixProgram(L"wineboot.exe --end-session --shutdown"));
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs)) << "the held key outlived the session";
    EXPECT_EQ(Events(), (std::vector<std::pair<LONG, LONG>>{{WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}}));
    EXPECT_TRUE(WaitUntil([&] { return !TrayIconPresent(run.Main()); }, kActMs));
    EXPECT_NE(ReadFileBytes(TopIni()).find("KEYSET 0-11- 1=68\r\n"), std::string::npos);
}

// Pause releases a held key at once, sends nothing while it lasts, and greys
// itself in the popup; resume, chosen there, brings the keys back. A button
// pressed and let go during a pause leaves nothing between the keys before
// the pause and the press that the resume brings.
TEST_F(MapperKeysE2E, PauseReleasesHeldKeysAndTheTrayPopupResumes) {
    WriteFileBytes(TopIni(), Bindings(1, 1));
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs));
    SendMessageW(run.Main(), WM_COMMAND, IDM_TRAY_PAUSE, 0);  // "一時停止(&S)"
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs)) << "the held key was not released at the pause";
    EXPECT_EQ(Events(), (KeyEvents{Down('A'), Up('A')}));
    stick_->Y = 32768;

    HWND popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(DescribeMenu(popup), TrayMenu({L"0 操作 [checked]"}, true));
    ASSERT_TRUE(ChooseMenuEntry(popup, IDM_TRAY_RESUME));  // "制御再開(&S)"
    ASSERT_TRUE(WaitClosed(popup));
    BringLoggerForward();  // the popup took the foreground
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 3, kActMs)) << "no keys after resume";
    stick_->Y = 32768;
    ASSERT_TRUE(WaitForKeyLog(log_, 4, kActMs));
    EXPECT_EQ(Events(), (KeyEvents{Down('A'), Up('A'), Down('A'), Up('A')}));

    // Back in the start state; a pause chosen from the popup works the same.
    popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(DescribeMenu(popup), TrayMenu({L"0 操作 [checked]"}, false));
    ASSERT_TRUE(ChooseMenuEntry(popup, IDM_TRAY_PAUSE));
    ASSERT_TRUE(WaitClosed(popup));
    // The popup's command comes after the popup has closed.
    ASSERT_TRUE(run.WaitPostedHandled(kActMs));
    BringLoggerForward();
    stick_->Y = 0;
    stick_->Buttons = 1;
    // A paused engine reads nothing, so there is no sign of it to wait for:
    // the button is held for a hundred poll periods, time enough for an
    // engine that kept reading to see it.
    Sleep(300);
    stick_->Buttons = 0;
    SendMessageW(run.Main(), WM_COMMAND, IDM_TRAY_RESUME, 0);
    ASSERT_TRUE(WaitForKeyLog(log_, 5, kActMs)) << "no keys after resume";
    ASSERT_TRUE(WaitForPolls(20));  // and nothing more after the resume's press
    EXPECT_EQ(Events(), (KeyEvents{Down('A'), Up('A'), Down('A'), Up('A'), Down('A')}))
        << "keys while paused from the popup";
    stick_->Y = 32768;
    ASSERT_TRUE(WaitForKeyLog(log_, 6, kActMs));
    CloseAndWait(run);
}

// The button mode chosen in the settings dialog applies to the next press,
// without a restart; the dialog shows the options that Top.ini gave.
TEST_F(MapperKeysE2E, SettingsDialogSwitchesTheButtonModeAtOnce) {
    WriteFileBytes(TopIni(), Bindings(0, 5));
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 3, kActMs)) << "Rapid from Top.ini did not repeat";
    stick_->Y = 32768;
    ASSERT_TRUE(WaitUntil([&] { return Events().back() == Up('A'); }, kActMs));

    PostMessageW(run.Main(), WM_COMMAND, 106, 0);
    HWND dialog = run.WaitDialog(L"環境設定", kActMs);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_MODE_RAPID), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_MODE_NORMAL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_SLEEP_SPIN), UDM_GETPOS, 0, 0), 5);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_SLEEP_EDIT)), L"5");
    SendMessageW(GetDlgItem(dialog, IDC_MODE_NORMAL), BM_CLICK, 0, 0);  // "通常モード"
    SendMessageW(GetDlgItem(dialog, IDC_SLEEP_SPIN), UDM_SETPOS, 0, 2);
    SendMessageW(GetDlgItem(dialog, IDC_SETTINGS_OK), BM_CLICK, 0, 0);  // OK
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));

    BringLoggerForward();
    ResetKeyLog(log_);
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs));
    ASSERT_TRUE(WaitForPolls(50));  // Normal sends no more key-downs
    stick_->Y = 32768;
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs));
    ASSERT_TRUE(WaitForPolls(10));
    EXPECT_EQ(Events(), (KeyEvents{Down('A'), Up('A')}));
    CloseAndWait(run);
    EXPECT_NE(ReadFileBytes(TopIni()).find("SetKeyDownMode=1\r\nSetSleep=2\r\n"),
              std::string::npos);
}

TEST_F(MapperKeysE2E, RapidModeRepeatsKeyDownWhileHeld) {
    WriteFileBytes(TopIni(), Bindings(0, 5));
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    stick_->Y = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 5, kActMs)) << "key-down not repeated";
    stick_->Y = 32768;
    ASSERT_TRUE(WaitUntil([&] { return Events().back() == Up('A'); }, kActMs));
    const auto events = Events();
    ASSERT_GE(events.size(), 6u);
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i], std::make_pair(static_cast<LONG>(WM_KEYDOWN), LONG{'A'})) << i;
    }
    EXPECT_EQ(events.back(), std::make_pair(static_cast<LONG>(WM_KEYUP), LONG{'A'}));
    const size_t countAfterRelease = events.size();
    ASSERT_TRUE(WaitForPolls(20));
    EXPECT_EQ(Events().size(), countAfterRelease) << "keys after the release";
    CloseAndWait(run);
}

// Rapid fire ("連射") at 10 a second on button 1, held for about a second:
// the game sees separate presses, down and up in turn, each phase at least
// 40 ms (50 asked). The right stick (Z and R of the pad) drives its four
// inputs once each axis has been seen in its middle.
TEST_F(MapperKeysE2E, RapidFireSendsSeparatePressesAndTheRightStickDrivesItsKeys) {
    std::string ini = PreparedTopIni({L"操作"},
                                     {"KEYSET 0- 4- 0=90", "KEYSET 0-20- 0=73", "KEYSET 0-21- 0=75",
                                      "KEYSET 0-22- 0=74", "KEYSET 0-23- 0=76"},
                                     1, 1);
    WriteFileBytes(TopIni(), ini + "[TURBO]\r\nTURBO 0- 4=10\r\n");
    stick_->ZMin = stick_->RMin = 0;
    stick_->ZMax = stick_->RMax = 65535;
    stick_->Axes = 3;  // the capabilities report Z and R
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    stick_->Buttons = 1;
    ASSERT_TRUE(WaitUntil([&] { return log_->Count >= 19; }, kActMs))  // ten downs: about a second
        << "rapid fire sent " << log_->Count << " key messages";
    stick_->Buttons = 0;
    ASSERT_TRUE(WaitForPolls(20));
    const LONG count = log_->Count;
    ASSERT_GE(count, 19);
    EXPECT_EQ(count % 2, 0) << "a key left down after the release";
    for (LONG i = 0; i < count; ++i) {
        const KeyLogEntry& entry = log_->Entries[i];
        EXPECT_EQ(std::make_pair(entry.Message, entry.Vk), i % 2 == 0 ? Down('Z') : Up('Z')) << i;
        if (i > 0 && i + 1 < count) {  // the last phase ends with the release
            const LONG phase = entry.Time - log_->Entries[i - 1].Time;
            EXPECT_GE(phase, 40) << "phase " << i << " lasted " << phase << " ms";
        }
    }

    ResetKeyLog(log_);
    // One move at a time: a poll that sees two at once presses before it releases.
    const struct {
        volatile LONG* axis;
        LONG position;
        LONG messages;  // in the log once the move is seen
    } moves[] = {{&stick_->R, 0, 1},    {&stick_->R, 32768, 2}, {&stick_->Z, 65535, 3},
                 {&stick_->Z, 0, 5},    {&stick_->Z, 32768, 6}, {&stick_->R, 65535, 7},
                 {&stick_->R, 32768, 8}};
    for (const auto& move : moves) {
        *move.axis = move.position;
        ASSERT_TRUE(WaitForKeyLog(log_, move.messages, kActMs)) << "no key for the right stick";
    }
    // Across from right to left the new side goes down before the old lets go.
    EXPECT_EQ(Events(), (KeyEvents{Down('I'), Up('I'), Down('L'), Down('J'), Up('L'), Up('J'),
                                   Down('K'), Up('K')}));
    CloseAndWait(run);
}

// A HOLD button (button 2, HOLD 1) makes the second set active while it is
// held: button 1 sends X instead of Z, the title names the set, and the
// button's own key (C) is never sent.
TEST_F(MapperKeysE2E, AHoldButtonChangesTheSetWhileHeldAndTheTitleFollows) {
    WriteFileBytes(
        TopIni(),
        PreparedTopIni({L"操作", L"シフト"},
                       {"KEYSET 0- 4- 0=90", "KEYSET 0- 5- 0=67", "KEYSET 1- 4- 0=88"}, 1, 1) +
            "[ACTION]\r\nACTION 0- 5=HOLD 1\r\n");
    MapperRun run;
    StartWithJoystick(run, L"/T");
    auto titleBecomes = [&](const wchar_t* name) {
        return WaitUntil([&] { return WindowText(run.Main()) == Title(name); }, kActMs);
    };
    StartLogger();
    LONG logged = 0;
    auto pressButton1 = [&] {
        stick_->Buttons |= 1;
        ASSERT_TRUE(WaitForKeyLog(log_, ++logged, kActMs));
        stick_->Buttons &= ~1;
        ASSERT_TRUE(WaitForKeyLog(log_, ++logged, kActMs));
    };
    ASSERT_NO_FATAL_FAILURE(pressButton1());
    stick_->Buttons = 2;
    ASSERT_TRUE(titleBecomes(L"シフト"));
    ASSERT_NO_FATAL_FAILURE(pressButton1());
    stick_->Buttons = 0;
    ASSERT_TRUE(titleBecomes(L"操作"));
    ASSERT_NO_FATAL_FAILURE(pressButton1());
    ASSERT_TRUE(WaitForPolls(20));
    EXPECT_EQ(Events(), (KeyEvents{Down('Z'), Up('Z'), Down('X'), Up('X'), Down('Z'), Up('Z')}));
    CloseAndWait(run);
}

// A pad that only XInput sees (an Xbox pad while the game is in front): its
// Start, left trigger, right stick and D-pad drive the keys, and a
// disconnect lets go.
TEST_F(MapperKeysE2E, AnXInputPadDrivesTheKeysAndLetsGoWhenItDisconnects) {
    const SystemFolderDll xinput(OwnFolder() + L"xinput1_4.dll", L"xinput1_4.dll");
    ASSERT_TRUE(xinput.Installed());
    stick_->Present = 0;  // winmm sees no pad
    stick_->XButtons = stick_->XLeftTrigger = 0;
    stick_->XInputConnected = 1;
    // Up A, Right D, button 8 (Start) S, button 11 (the left trigger) L, the
    // right stick's right R.
    WriteFileBytes(TopIni(),
                   PreparedTopIni({L"操作"},
                                  {"KEYSET 0- 0- 0=65", "KEYSET 0- 3- 0=68", "KEYSET 0-11- 0=83",
                                   "KEYSET 0-14- 0=76", "KEYSET 0-23- 0=82"},
                                  1, 1));
    const LONG winmmReads = stick_->PosExCalls;
    MapperRun run;
    StartWithJoystick(run, L"/T");
    StartLogger();
    const WORD start = 0x0010, dpadUp = 0x0001, dpadRight = 0x0008;
    stick_->XButtons = start;
    ASSERT_TRUE(WaitForKeyLog(log_, 1, kActMs)) << "Start sent nothing";
    stick_->XButtons = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 2, kActMs));
    stick_->XLeftTrigger = 255;
    ASSERT_TRUE(WaitForKeyLog(log_, 3, kActMs)) << "the left trigger sent nothing";
    stick_->XLeftTrigger = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 4, kActMs));
    stick_->XThumbRX = 32767;
    ASSERT_TRUE(WaitForKeyLog(log_, 5, kActMs)) << "the right stick sent nothing";
    stick_->XThumbRX = 0;
    ASSERT_TRUE(WaitForKeyLog(log_, 6, kActMs));
    stick_->XButtons = dpadUp | dpadRight;
    ASSERT_TRUE(WaitForKeyLog(log_, 8, kActMs)) << "the D-pad sent nothing";
    stick_->XInputConnected = 0;  // unplugged with the D-pad held
    ASSERT_TRUE(WaitForKeyLog(log_, 10, kActMs)) << "nothing released after the disconnect";
    EXPECT_EQ(Events(), (KeyEvents{Down('S'), Up('S'), Down('L'), Up('L'), Down('R'), Up('R'),
                                   Down('A'), Down('D'), Up('A'), Up('D')}));
    EXPECT_EQ(stick_->PosExCalls, winmmReads) << "read through winmm";
    CloseAndWait(run);
}

TEST_F(MapperE2E, ChangeButtonsCaptureARealKeyPressOrAnAction) {
    PlugJoystick();
    MapperRun run;
    StartWithJoystick(run, L"");
    // The click itself completes nothing (mouse buttons are never captured):
    // the key saved at the end is the one pressed.
    ASSERT_NO_FATAL_FAILURE(CaptureKey(run, 2003, L"b"));  // key 2 of the Right row
    EXPECT_TRUE(IsWindowEnabled(run.Main()));
    // Or an action from the capture window's list: its first, "次のキーセット",
    // for button 1.
    HWND capture = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenCapture(run, IDC_MAIN_CHANGE_KEY1 + 4, &capture));
    ASSERT_TRUE(ClickControl(GetDlgItem(capture, IDC_CAPTURE_ASSIGN)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(capture); }, kActMs));
    EXPECT_TRUE(IsWindowEnabled(run.Main()));
    CloseAndWait(run);
    const std::string saved = ReadFileBytes(TopIni());
    EXPECT_NE(saved.find("KEYSET 0- 3- 1=66\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[ACTION]\r\nACTION 0- 4=NEXT\r\n"), std::string::npos) << saved;
}

// A captured key is saved about a second after it was taken: a process
// killed two seconds later (a crash, the Task Manager) has not lost it.
TEST_F(MapperE2E, AChangeIsSavedBeforeAKillTwoSecondsLater) {
    PlugJoystick();
    MapperRun run;
    StartWithJoystick(run, L"");
    ASSERT_NO_FATAL_FAILURE(CaptureKey(run, IDC_MAIN_CHANGE_KEY1, L"c"));  // key 1 of the Up row
    // Wine takes a while to hide the capture window: wait until mapper has
    // handled everything the capture asked of it, so the two seconds start
    // once it is done.
    ASSERT_TRUE(run.WaitPostedHandled(kActMs));
    Sleep(2000);
    ASSERT_TRUE(TerminateProcess(run.Process(), 9));
    ASSERT_TRUE(run.WaitExit(kStartMs));
    SavedSet set = {kUntitled, {}};
    set.keys[0][0] = 'C';
    EXPECT_EQ(ReadFileBytes(TopIni()), ExpectedTopIni({set}, 0, 0));
}

// A scanner that holds Top.ini without sharing for half a second while a
// timed save runs makes the save wait, not fail: the change reaches Top.ini
// and nothing is said.
TEST_F(MapperE2E, ATimedSaveWaitsForATopIniHeldByAnotherProgram) {
    PlugJoystick();
    const SavedSet untitled = {kUntitled, {}};
    ASSERT_TRUE(WriteFileBytes(TopIni(), ExpectedTopIni({untitled}, 0, 0)));
    MapperRun run;
    StartWithJoystick(run, L"");
    ASSERT_TRUE(run.WaitPostedHandled(kActMs));
    // "新規" makes a set and arms the timed save; nothing else keeps mapper's
    // interface thread busy after it.
    SendMessageW(run.Main(), WM_COMMAND, IDC_MAIN_NEW, 0);
    HANDLE held = CreateFileW(TopIni().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // The save waits for the file on that thread: the window stops answering.
    EXPECT_TRUE(WaitUntil(
        [&] {
            DWORD_PTR answer = 0;
            return SendMessageTimeoutW(run.Main(), WM_NULL, 0, 0, SMTO_BLOCK, 250, &answer) == 0;
        },
        kActMs))
        << "no save waited for Top.ini";
    Sleep(250);
    CloseHandle(held);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ReadFileBytes(TopIni()) == ExpectedTopIni({untitled, untitled}, 0, 0);
        },
        kActMs));
    ASSERT_TRUE(run.WaitPostedHandled(kActMs));
    EXPECT_EQ(run.WaitDialog(nullptr, 0), nullptr) << "a failure was told";
    CloseAndWait(run);
}

// Cancel ends the capture with the binding as it was; a key pressed after
// it is not taken either.
TEST_F(MapperE2E, CaptureCancelKeepsTheBinding) {
    PlugJoystick();
    WriteFileBytes(TopIni(), PreparedTopIni({kUntitled}, {"KEYSET 0- 0- 0=65"}, 0, 0));
    MapperRun run;
    StartWithJoystick(run, L"");
    for (int code = 1; code < 256; ++code) {
        GetAsyncKeyState(code);
    }
    ASSERT_TRUE(ClickControl(run.Control(1000)));
    HWND capture = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (capture = run.FindWindowOf(L"PamuroKey", L"キー登録")) != nullptr; },
        kActMs));
    EXPECT_FALSE(IsWindowEnabled(run.Main()));
    ASSERT_TRUE(ClickControl(GetDlgItem(capture, IDC_CAPTURE_CANCEL)));  // "キャンセル"
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(capture); }, kActMs));
    EXPECT_TRUE(IsWindowEnabled(run.Main()));
    EXPECT_TRUE(IsWindowVisible(run.Main()));
    // Wine sees the key only in one of its windows: the main window, which
    // ignores it.
    ASSERT_TRUE(RunUnixProgram(
        L"/bin/sh -c \"xdotool search --name '^Pamuro - ' windowfocus --sync key b\""));
    // Polls that read the joystick again: the engine is mapping, past the key.
    ASSERT_TRUE(WaitForPolls(3));
    CloseAndWait(run);
    SavedSet set = {kUntitled, {}};
    set.keys[0][0] = 'A';
    EXPECT_EQ(ReadFileBytes(TopIni()), ExpectedTopIni({set}, 0, 0));
}

// The settings dialog shows Top.ini's options (a mode other than 0 or 1 acts
// as Rapid), and only OK stores them.
TEST_F(MapperE2E, SettingsDialogShowsTheOptionsAndStoresThemOnOkOnly) {
    PlugJoystick();
    WriteFileBytes(TopIni(), PreparedTopIni({kUntitled}, {}, 7, 4));
    MapperRun run;
    StartWithJoystick(run, L"");
    auto expectShown = [&](HWND dialog) {
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_MODE_NORMAL), BM_GETCHECK, 0, 0),
                  BST_UNCHECKED);
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_MODE_RAPID), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_SLEEP_SPIN), UDM_GETPOS, 0, 0), 4);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_SLEEP_EDIT)), L"4");
    };
    auto openDialog = [&] {
        EXPECT_TRUE(ClickControl(run.Control(106)));
        return run.WaitDialog(L"環境設定", kActMs);
    };
    auto changeBoth = [&](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_MODE_NORMAL), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, IDC_SLEEP_SPIN), UDM_SETPOS, 0, 1);
    };
    // Esc, pressed on the keyboard, and the cancel button change nothing.
    HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    expectShown(dialog);
    changeBoth(dialog);
    ASSERT_TRUE(RunUnixProgram(
        L"/bin/sh -c \"xdotool search --name '^環境設定$' windowfocus --sync key Escape\""));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs)) << "Esc left it open";
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    expectShown(dialog);
    changeBoth(dialog);
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));

    // OK with only the shortest press changed stores Rapid as 0.
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    expectShown(dialog);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_MIN_PRESS_SPIN), UDM_GETPOS, 0, 0), 0);
    SendMessageW(GetDlgItem(dialog, IDC_MIN_PRESS_SPIN), UDM_SETPOS, 0, 30);
    SendMessageW(GetDlgItem(dialog, IDC_SETTINGS_OK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));
    CloseAndWait(run);
    EXPECT_EQ(ReadFileBytes(TopIni()),
              ExpectedTopIni({{kUntitled, {}}}, 0, 4) + "MinPressMs=30\r\n");
}

// The name dialog: a name typed on the keyboard or set as Japanese text
// names the active set in the title, the list and the tray popup; Cancel and
// Esc change nothing; a long name is cut to 255 bytes.
TEST_F(MapperE2E, NameDialogRenamesTheActiveSetEverywhere) {
    PlugJoystick();
    MapperRun run;
    StartWithJoystick(run, L"");
    HWND combo = run.Control(100);
    auto openDialog = [&] {
        EXPECT_TRUE(ClickControl(run.Control(103)));
        return run.WaitDialog(L"名前設定", kActMs);
    };
    auto expectNamed = [&](const std::wstring& name) {
        ASSERT_TRUE(WaitUntil([&] { return WindowText(run.Main()) == Title(name); }, kActMs))
            << Sjis(WindowText(run.Main()));
        EXPECT_EQ(ComboEntries(combo), std::vector<std::wstring>{name});
        EXPECT_EQ(ComboSelection(run), 0);
        HWND popup = run.OpenTrayPopup(kActMs);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(DescribeMenu(popup), TrayMenu({L"0 " + name + L" [checked]"}, false));
        PostKey(popup, VK_ESCAPE);
        ASSERT_TRUE(WaitClosed(popup));
    };

    HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_NAME_EDIT)), L"") << "the edit starts empty";
    ASSERT_TRUE(
        RunUnixProgram(L"/bin/sh -c \"xdotool search --name '^名前設定$' windowfocus "
                       L"--sync type --delay 30 'Racing 2'; xdotool key Return\""));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs)) << "Return left it open";
    expectNamed(L"Racing 2");

    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, IDC_NAME_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"格闘ゲーム"));
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    expectNamed(L"格闘ゲーム");

    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, IDC_NAME_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"捨てる名前"));
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(
        RunUnixProgram(L"/bin/sh -c \"xdotool search --name '^名前設定$' windowfocus "
                       L"--sync type --delay 30 junk; xdotool key Escape\""));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs)) << "Esc left it open";
    expectNamed(L"格闘ゲーム");

    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    const std::wstring tooLong(300, L'n');
    SendMessageW(GetDlgItem(dialog, IDC_NAME_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(tooLong.c_str()));
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil(
        [&] { return ComboEntries(combo) == std::vector<std::wstring>{tooLong.substr(0, 255)}; },
        kActMs));
    CloseAndWait(run);
    EXPECT_NE(ReadFileBytes(TopIni()).find("KEYSETNAME 0=" + std::string(255, 'n') + "\r\n"),
              std::string::npos);
}

TEST_F(MapperE2E, MinimiseAndRestoreThroughTheWindowAndTheTrayIcon) {
    PlugJoystick();
    MapperRun run;
    StartWithJoystick(run, L"");
    HWND main = run.Main();
    EXPECT_FALSE(TrayIconPresent(main));

    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, kActMs));
    EXPECT_TRUE(TrayIconPresent(main));
    // Moves, releases, double clicks and the middle button change nothing.
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN,
                       WM_MBUTTONUP}) {
        PostMessageW(main, kTrayNotifyMessage, kTrayIconId, mouse);
    }
    ASSERT_TRUE(run.WaitPostedHandled(kActMs));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(TrayIconPresent(main));
    EXPECT_EQ(run.WaitPopupMenu(0), nullptr) << "a popup without a right press";
    // A single left press restores.
    PostMessageW(main, kTrayNotifyMessage, kTrayIconId, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kActMs));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(WaitUntil([&] { return !TrayIconPresent(main); }, kActMs));

    // Minimised from outside; restored by the tray command.
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, kActMs));
    EXPECT_TRUE(TrayIconPresent(main));
    PostMessageW(main, WM_COMMAND, IDM_TRAY_SHOW, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kActMs));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(WaitUntil([&] { return !TrayIconPresent(main); }, kActMs));

    // Every minimise adds the icon anew.
    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, kActMs));
    EXPECT_TRUE(TrayIconPresent(main));
    CloseAndWait(run);
}

// Started in the tray, the program takes its icon away before it reports the
// failed save at the end: the icon's clicks must not reach a window that is
// being destroyed.
TEST_F(MapperE2E, UnreadableTopIniIsReportedAndNotOverwritten) {
    PlugJoystick();
    ASSERT_TRUE(CreateDirectoryW(TopIni().c_str(), nullptr));
    MapperRun run;
    ASSERT_TRUE(run.Start(folder_, L"/T"));
    HWND atStart = run.WaitDialog(nullptr, kStartMs);
    ASSERT_NE(atStart, nullptr) << "an unreadable Top.ini went unmentioned";
    EXPECT_NE(MessageBoxText(atStart).find(L"Top.ini"), std::wstring::npos);
    PostMessageW(atStart, WM_COMMAND, IDOK, 0);
    ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
    ASSERT_EQ(run.WaitSetTitle(kStartMs), Title(kUntitled));
    EXPECT_TRUE(TrayIconPresent(run.Main()));
    PostMessageW(run.Main(), WM_CLOSE, 0, 0);
    HWND atExit = run.WaitDialog(nullptr, kStartMs);
    ASSERT_NE(atExit, nullptr) << "a failed save went unmentioned";
    EXPECT_FALSE(TrayIconPresent(run.Main())) << "the icon outlived the window";
    EXPECT_NE(MessageBoxText(atExit).find(L"保存"), std::wstring::npos)
        << Sjis(MessageBoxText(atExit));
    PostMessageW(atExit, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(run.WaitExit(kStartMs));
    EXPECT_NE(GetFileAttributesW(TopIni().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// Target, arguments and working folder of the shortcut `file`, read back
// through the shell link; empty when it cannot be read.
std::vector<std::wstring> ReadShortcut(const std::wstring& file) {
    std::vector<std::wstring> fields;
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    wchar_t text[3][MAX_PATH] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file.c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(text[0], MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(link->GetArguments(text[1], MAX_PATH)) &&
        SUCCEEDED(link->GetWorkingDirectory(text[2], MAX_PATH))) {
        fields.assign(std::begin(text), std::end(text));
    }
    for (IUnknown* object : {static_cast<IUnknown*>(persist), static_cast<IUnknown*>(link)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    return fields;
}

// The shortcut in the user's Startup folder; gone before and after, since a
// later logon in the test prefix would start it.
struct StartupShortcutFile {
    StartupShortcutFile() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        PWSTR folder = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &folder))) {
            path = std::wstring(folder) + L"\\Pamuro.lnk";
        }
        CoTaskMemFree(folder);
        DeleteFileW(path.c_str());
    }
    ~StartupShortcutFile() {
        DeleteFileW(path.c_str());
        CoUninitialize();
    }
    std::wstring path;
};

TEST_F(MapperE2E, StartupButtonWritesTheShortcutAndDeletesIt) {
    StartupShortcutFile shortcut;
    ASSERT_FALSE(shortcut.path.empty());
    PlugJoystick();
    MapperRun run;
    ASSERT_NO_FATAL_FAILURE(StartWithJoystick(run, L""));
    HWND button = run.Control(101);
    ASSERT_EQ(WindowText(button), L"スタートアップ登録");

    ASSERT_TRUE(ClickControl(button));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(button) == L"スタートアップ解除"; }, kActMs));
    EXPECT_EQ(ReadShortcut(shortcut.path),
              (std::vector<std::wstring>{OwnFolder() + L"mapper.exe", L"/T", folder_}));

    ASSERT_TRUE(ClickControl(button));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(button) == L"スタートアップ登録"; }, kActMs));
    EXPECT_EQ(GetFileAttributesW(shortcut.path.c_str()), INVALID_FILE_ATTRIBUTES);
    CloseAndWait(run);
}

}  // namespace
