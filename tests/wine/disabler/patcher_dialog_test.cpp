// disabler.exe driven from outside, as a user would: the test starts the real
// program, fills its path field, presses its buttons, drops files on it, and
// reads and dismisses every message box it shows, checking texts and captions
// against the program's exact Japanese texts and the files byte for byte.
#include <windows.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/support/child_process.h"
#include "tests/wine/support/files.h"
#include "tests/wine/support/wait.h"

using namespace std::string_literals;

namespace {

const std::wstring kBackupError = L"バックアップファイルコピー中にエラーが発生しました";
const std::wstring kNotice =
    L"ジョイステイック無効化処理には多少時間がかかります。\n"
    L"次のメッセージが表示されるまで気長にお待ち下さい。";
const std::wstring kSuccess =
    L"ジョイステイック無効化処理を適用しました。\r\nゲームを起動して試して下さい。";
const std::wstring kSuccessCaption = L"成功";
const std::wstring kNoNameFound =
    L"このプログラムにはジョイステイック無効化処理を適用できませんでした";
const std::wstring kUnusablePath =
    L"実行ファイルのパスが長すぎるか、シフトJISで表せない文字を含んでいるため扱えません。"
    L"\r\nパスはシフトJISで259バイトまでです。";

std::wstring OpenFailure(const std::wstring& path) {
    return path +
           L"\r\nを書き込み用に開けませんでした。ゲームが起動中か、ファイルが読み取り専用の"
           L"可能性があります。\r\nバックアップファイル " +
           path + L".BAK は作成済みです。次に試す前に削除して下さい。";
}

const std::string kGame = "MZ\x90\0winmm.dll\0joyGetDevCapsA\0joyGetPosEx\0joyGetPos\0jjoyGetPos"s;
const std::string kPatchedGame =
    "MZ\x90\0winmm.dll\0joyGetDevCapsA\0midiInGetID\0mmioClose\0jjoyGetPos"s;

constexpr DWORD kTimeoutMs = 15000;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Sends a message without pointers to another process's window; 0 when it
// does not answer.
LRESULT Ask(HWND window, UINT message) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, 0, 0, SMTO_BLOCK, kTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

// Another process's window text, through WM_GETTEXT.
std::wstring TextOf(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        kTimeoutMs, &ignored);
    return text;
}

// A "#32770" window of `process` whose owner is `owner` (null for the
// program's own dialog). `visibleOnly` false also finds a box that is made
// but not yet shown.
HWND FindDialogWindow(const ChildProcess& process, HWND owner, bool visibleOnly = true) {
    return process.TopWindow([&](HWND window) {
        return (!visibleOnly || IsWindowVisible(window)) && ClassOf(window) == L"#32770" &&
               GetWindow(window, GW_OWNER) == owner;
    });
}

HWND WaitForDialogWindow(const ChildProcess& process, HWND owner) {
    return process.WaitWindow(
        [&](HWND window) {
            return IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
                   GetWindow(window, GW_OWNER) == owner;
        },
        kTimeoutMs);
}

// What a message box shows: its caption and its text (the static control
// with the longest text; the icon's static has none).
struct Box {
    std::wstring text, caption;
};

Box ReadBox(HWND box) {
    Box result{L"", TextOf(box)};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"Static") {
            std::wstring text = TextOf(child);
            if (text.size() > result.text.size()) {
                result.text = text;
            }
        }
    }
    return result;
}

void Dismiss(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([box] { return !IsWindow(box); }, kTimeoutMs))
        << "message box did not close";
}

BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The caption that the system gives a message box with none of its own. The
// probe box is dismissed whenever it shows up: the first window of a fresh
// Wine prefix can take a long while (font cache), and a box left open would
// keep the probe thread, and so the test program, waiting for ever.
std::wstring DefaultCaption() {
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> done{false};
    std::thread probe([&threadId, &done] {
        threadId = GetCurrentThreadId();
        MessageBoxW(nullptr, L"probe", nullptr, MB_OK);
        done = true;
    });
    std::wstring caption = L"(no probe box)";
    constexpr DWORD kProbeTimeoutMs = 120000;
    WaitUntil(
        [&] {
            HWND box = nullptr;
            EnumThreadWindows(threadId, TakeFirstWindow, reinterpret_cast<LPARAM>(&box));
            if (box && IsWindowVisible(box)) {
                caption = TextOf(box);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            return done.load();
        },
        kProbeTimeoutMs, 20);
    if (done) {
        probe.join();
    } else {
        probe.detach();  // the process ends with it
    }
    return caption;
}

class DisablerDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { defaultCaption_ = DefaultCaption(); }

    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A folder name with spaces and Japanese: the path goes through the
        // wide field, Shift-JIS and the wide file functions.
        folder_ = std::wstring(temp) + L"pamuro ディセーブラ " +
                  std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        exe_ = folder_ + L"シューティング.EXE";
        backup_ = exe_ + L".BAK";

        const std::wstring program = FromOwnFolder(DISABLER_EXE_RELATIVE);
        ASSERT_TRUE(process_.Start(program))
            << "cannot start " << std::string(program.begin(), program.end());
        WaitForInputIdle(process_.Handle(), kTimeoutMs);
        dialog_ = WaitForDialogWindow(process_, nullptr);
        ASSERT_NE(dialog_, nullptr) << "the dialog did not appear";
    }

    void TearDown() override {
        process_.End();
        for (const std::wstring& file : {exe_, backup_, folder_ + L"dinput8.dll"}) {
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    void SetPath(const std::wstring& path) {
        ASSERT_TRUE(SetDlgItemTextW(dialog_, 1002, path.c_str()));
    }

    std::wstring PathField() { return TextOf(GetDlgItem(dialog_, 1002)); }

    // Presses a button the way a click does. Posted: the program stays in
    // its message boxes until the test dismisses them.
    void Press(int id) {
        PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
    }

    // Waits for the next message box of the dialog, reads it and dismisses it.
    Box NextBox() {
        HWND box = WaitForDialogWindow(process_, dialog_);
        if (box == nullptr) {
            return {L"(no message box)", L""};
        }
        Box shown = ReadBox(box);
        Dismiss(box);
        return shown;
    }

    // Posts a mark behind everything the test has sent so far and waits until
    // the program has taken it: a positive sign that all before it has been
    // handled, whether by the dialog or by a message box opened meanwhile
    // (which is made before its loop takes the mark). The mark flips the path
    // field's "modified" flag, which the program never reads. False when the
    // mark was not taken: the dialog has gone or does not answer.
    bool HandledSoFar() {
        HWND field = GetDlgItem(dialog_, 1002);
        const bool modified = Ask(field, EM_GETMODIFY) != 0;
        PostMessageW(field, EM_SETMODIFY, modified ? FALSE : TRUE, 0);
        bool taken = false;
        WaitUntil(
            [&] {
                taken = IsWindow(field) && (Ask(field, EM_GETMODIFY) != 0) != modified;
                return taken || !IsWindow(field);
            },
            kTimeoutMs);
        return taken;
    }

    void ExpectNoFurtherBox() {
        ASSERT_TRUE(HandledSoFar()) << "the dialog did not take the mark";
        EXPECT_EQ(FindDialogWindow(process_, dialog_, false), nullptr)
            << "an unexpected message box appeared";
    }

    void ExpectBox(const std::wstring& text, const std::wstring& caption, const char* what) {
        Box shown = NextBox();
        EXPECT_EQ(shown.text, text) << what;
        EXPECT_EQ(shown.caption, caption) << what;
    }

    // Drops the files of `list` (each path zero-terminated, the list ended by
    // an empty one) on the dialog. A drop handle is only valid in the process
    // that receives it, and Wine does not carry WM_DROPFILES across
    // processes; so the DROPFILES block is written into the program's own
    // memory, where a fixed (pointer) HGLOBAL is what DragQueryFileW and
    // DragFinish are given, as when the shell drops files.
    void Drop(const std::wstring& list) {
        std::string block(sizeof(DROPFILES) + list.size() * sizeof(wchar_t), '\0');
        DROPFILES header = {};
        header.pFiles = sizeof(DROPFILES);
        header.fWide = TRUE;
        memcpy(block.data(), &header, sizeof header);
        memcpy(block.data() + sizeof header, list.data(), list.size() * sizeof(wchar_t));
        void* remote = VirtualAllocEx(process_.Handle(), nullptr, block.size(),
                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        ASSERT_TRUE(
            WriteProcessMemory(process_.Handle(), remote, block.data(), block.size(), nullptr));
        ASSERT_TRUE(PostMessageW(dialog_, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0));
    }

    static inline std::wstring defaultCaption_;
    std::wstring folder_, exe_, backup_;
    ChildProcess process_;
    HWND dialog_ = nullptr;
};

TEST_F(DisablerDialog, MatchesItsTemplate) {
    LONG style = GetWindowLongW(dialog_, GWL_STYLE);
    LONG exStyle = GetWindowLongW(dialog_, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & DS_MODALFRAME);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), 0) << "the dialog must have no title bar";
    EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES);
    RECT frame;
    GetWindowRect(dialog_, &frame);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);

    struct Control {
        int id;
        const wchar_t* className;
        const wchar_t* text;
        LONG requiredStyle;
    };
    const Control expected[] = {
        {1000, L"Button", L"終了", WS_TABSTOP},
        {1004, L"Button", L"元に戻す", WS_TABSTOP},
        {1001, L"Button", L"ジョイステイックの無効化", WS_TABSTOP},
        {0xFFFF, L"Static", L"ジョイスティックを無効化するゲームの実行ファイル", WS_GROUP},
        {1002, L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL},
        {1003, L"Button", L"参照", WS_TABSTOP},
    };
    HWND child = GetWindow(dialog_, GW_CHILD);
    for (const Control& control : expected) {
        ASSERT_NE(child, nullptr) << "missing control " << control.id;
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), control.id);
        EXPECT_EQ(ClassOf(child), control.className) << control.id;
        EXPECT_EQ(TextOf(child), control.text) << control.id;
        EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & control.requiredStyle, control.requiredStyle)
            << control.id;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than the template has";
    RECT undo, disable;
    GetWindowRect(GetDlgItem(dialog_, 1004), &undo);
    GetWindowRect(GetDlgItem(dialog_, 1001), &disable);
    EXPECT_LE(undo.right, disable.left) << "元に戻す is left of the disable button";
    EXPECT_EQ(undo.top, disable.top);
    EXPECT_EQ(undo.bottom, disable.bottom);

    HWND edit = GetDlgItem(dialog_, 1002);
    EXPECT_TRUE((GetWindowLongW(edit, GWL_STYLE) & WS_BORDER) ||
                (GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        << "the path field has no border";
    EXPECT_EQ(LOWORD(SendMessageW(dialog_, DM_GETDEFID, 0, 0)), 1003) << "参照 is not the default";
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(process_.ThreadId(), &thread));
    EXPECT_EQ(thread.hwndFocus, GetDlgItem(dialog_, 1000)) << "終了 should have the focus";
}

TEST_F(DisablerDialog, PatchesTheExecutableThenRefusesASecondRun) {
    ASSERT_TRUE(WriteFileBytes(exe_, kGame));
    SetPath(exe_);
    Press(1001);
    ExpectBox(kNotice, defaultCaption_, "notice");
    ExpectBox(kSuccess, kSuccessCaption, "success");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(exe_), kPatchedGame);
    EXPECT_EQ(ReadFileBytes(backup_), kGame);

    Press(1001);
    ExpectBox(kBackupError, backup_, "second run");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(exe_), kPatchedGame);
    EXPECT_EQ(ReadFileBytes(backup_), kGame);
}

// A 32-bit DirectInput 8 game that reads the joystick through winmm too:
// both fixes, the filter from disabler's resources (the i686 one, whatever
// disabler's own architecture), and the undo takes both back.
TEST_F(DisablerDialog, DirectInputGameGetsTheFilterAndTheUndoPutsAllBack) {
    const std::string game = "MZ" + std::string(0x3A, '\0') +
                             "\x40\0\0\0PE\0\0\x4c\x01"
                             "DINPUT8.dll\0"s +
                             kGame;
    const std::wstring filter = folder_ + L"dinput8.dll";
    ASSERT_TRUE(WriteFileBytes(exe_, game));
    SetPath(exe_);
    Press(1001);
    ExpectBox(kNotice, defaultCaption_, "notice");
    ExpectBox(kSuccess + L"\r\nDirectInput のジョイスティックを隠す " + filter + L" を置きました。",
              kSuccessCaption, "success");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(filter), ReadFileBytes(FromOwnFolder(FILTER_DINPUT8_I686_RELATIVE)));

    Press(1004);
    ExpectBox(L"元に戻しました。", defaultCaption_, "undo");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(exe_), game);
    EXPECT_EQ(ReadFileBytes(backup_), kMissingFile);
    EXPECT_EQ(ReadFileBytes(filter), kMissingFile);
}

TEST_F(DisablerDialog, FileWithoutNamesGetsTheFailureMessage) {
    const std::string bytes = "MZ JoyGetPos JOYGETPOS joyGetPo"s;
    ASSERT_TRUE(WriteFileBytes(exe_, bytes));
    SetPath(exe_);
    Press(1001);
    ExpectBox(kNotice, defaultCaption_, "notice");
    ExpectBox(kNoNameFound, defaultCaption_, "failure");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(exe_), bytes);
    EXPECT_EQ(ReadFileBytes(backup_), bytes);
}

TEST_F(DisablerDialog, EmptyOrMissingPathGivesTheBackupError) {
    Press(1001);
    ExpectBox(kBackupError, L".BAK", "empty path");
    SetPath(exe_);
    Press(1001);
    ExpectBox(kBackupError, backup_, "missing executable");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(backup_), kMissingFile);
}

// Mended: a game that is running (it holds its executable) or a read-only
// executable used to end the operation silently after the notice, leaving a
// backup that blocks every later try without the user knowing why.
TEST_F(DisablerDialog, ExecutableInUseIsTold) {
    ASSERT_TRUE(WriteFileBytes(exe_, kGame));
    // A running game's image is open for reading and shared for reading only:
    // the copy works, opening it for writing does not.
    HANDLE held = CreateFileW(exe_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetPath(exe_);
    Press(1001);
    ExpectBox(kNotice, defaultCaption_, "notice, in use");
    ExpectBox(OpenFailure(exe_), defaultCaption_, "in use");
    CloseHandle(held);
    ExpectNoFurtherBox();  // nor a later write, now that it could succeed
    EXPECT_EQ(ReadFileBytes(exe_), kGame);
    EXPECT_EQ(ReadFileBytes(backup_), kGame);
    Press(1001);
    ExpectBox(kBackupError, backup_, "later try");
}

TEST_F(DisablerDialog, ReadOnlyExecutableIsTold) {
    ASSERT_TRUE(WriteFileBytes(exe_, kGame));
    SetPath(exe_);
    ASSERT_TRUE(SetFileAttributesW(exe_.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileW(exe_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Wine running as root writes read-only files; Windows never does.
        CloseHandle(probe);
        GTEST_SKIP() << "this system lets read-only files be opened for writing";
    }
    Press(1001);
    ExpectBox(kNotice, defaultCaption_, "notice, read-only");
    ExpectBox(OpenFailure(exe_), defaultCaption_, "read-only");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(exe_), kGame);
}

TEST_F(DisablerDialog, PathWithoutShiftJisFormIsRefused) {
    const std::wstring path = folder_ + L"caf\u00e9.exe";  // é has no Shift-JIS form
    ASSERT_TRUE(WriteFileBytes(path, kGame));
    SetPath(path);
    Press(1001);
    ExpectBox(kUnusablePath, defaultCaption_, "path outside Shift-JIS");
    ExpectNoFurtherBox();
    EXPECT_EQ(ReadFileBytes(path), kGame);
    DeleteFileW(path.c_str());
}

// Browse opens the system's file dialog with an empty name and the filter
// "実行ファイル" selected, even when the field holds a path; cancelling it
// changes nothing.
TEST_F(DisablerDialog, BrowseStartsEmptyWithTheExecutableFilterAndCancelKeepsTheField) {
    SetPath(exe_);
    Press(1003);
    HWND files = WaitForDialogWindow(process_, dialog_);
    ASSERT_NE(files, nullptr) << "the file dialog did not appear";
    HWND filter = GetDlgItem(files, cmb1);
    ASSERT_NE(filter, nullptr) << "no file type list";
    LRESULT selected = SendMessageW(filter, CB_GETCURSEL, 0, 0);
    wchar_t text[128] = {};
    SendMessageW(filter, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"実行ファイル");
    EXPECT_EQ(SendMessageW(filter, CB_GETCOUNT, 0, 0), 2);
    HWND name = GetDlgItem(files, cmb13) ? GetDlgItem(files, cmb13) : GetDlgItem(files, edt1);
    ASSERT_NE(name, nullptr) << "no file name field";
    EXPECT_EQ(TextOf(name), L"");

    PostMessageW(files, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([files] { return !IsWindow(files); }, kTimeoutMs));
    ASSERT_TRUE(HandledSoFar());
    EXPECT_EQ(PathField(), exe_);
}

TEST_F(DisablerDialog, DroppedFilesPutTheFirstIntoTheField) {
    const std::wstring first = folder_ + L"一本目.exe";
    SetPath(L"typed by hand");
    Drop(first + L'\0' + folder_ + L"second.exe" + L'\0' + L'\0');
    EXPECT_TRUE(WaitUntil([&] { return PathField() == first; }, kTimeoutMs))
        << "the drop did not reach the field";
    EXPECT_TRUE(HandledSoFar()) << "the drop ended the dialog";
    EXPECT_EQ(WaitForSingleObject(process_.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// Mended: a dropped path longer than the field used to be cut silently to
// another file's name. It is refused with the message a typed one gets, and
// the field keeps what it held; so is one in characters that fit yet longer
// than 259 Shift-JIS bytes.
TEST_F(DisablerDialog, DroppedPathTooLongIsRefused) {
    struct Case {
        const char* what;
        std::wstring path;
    };
    const Case cases[] = {
        {"more characters than the field", folder_ + std::wstring(300, L'L') + L".exe"},
        {"more Shift-JIS bytes than the field", folder_ + std::wstring(150, L'ア') + L".exe"},
        {"longer than the dialog reads", folder_ + std::wstring(1100, L'L') + L".exe"},
    };
    for (const Case& test : cases) {
        SetPath(L"typed by hand");
        Drop(test.path + L'\0' + L'\0');
        ExpectBox(kUnusablePath, defaultCaption_, test.what);
        ASSERT_TRUE(HandledSoFar()) << test.what;
        EXPECT_EQ(PathField(), L"typed by hand") << test.what;
    }
}

TEST_F(DisablerDialog, EscapeLeavesTheDialogOpenAndExitEndsTheProgram) {
    HWND exitButton = GetDlgItem(dialog_, 1000);
    PostMessageW(exitButton, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(exitButton, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);  // what Esc becomes in any dialog
    EXPECT_TRUE(HandledSoFar()) << "Esc ended the dialog";
    EXPECT_TRUE(IsWindowVisible(dialog_)) << "Esc hid the dialog";
    EXPECT_EQ(WaitForSingleObject(process_.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "Esc ended the program";

    Press(1000);
    ASSERT_EQ(WaitForSingleObject(process_.Handle(), kTimeoutMs), WAIT_OBJECT_0);
    DWORD exitCode = 1234;
    GetExitCodeProcess(process_.Handle(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
