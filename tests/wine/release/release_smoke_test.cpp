// A release zip as a player meets it: tests/wine/release/smoke.sh unpacks
// the zip into an empty folder and starts this driver with that folder. The
// driver runs both programs from there: mapper.exe must come up with the
// folder as its working folder, show its window and save Top.ini beside
// itself when closed; disabler.exe must patch a game file. The version and
// manifest checks of the build run here too, on the stripped programs that
// were actually shipped.
//
//   release_smoke_tests.exe [gtest flags] FOLDER
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/wine/mapper/mapper_driver.h"
#include "tests/wine/release/program_under_test.h"

using namespace std::string_literals;

namespace {

// The unpacked release folder, ending in a backslash.
std::wstring g_releaseFolder;

constexpr DWORD kStartMs = 30000;
constexpr DWORD kActMs = 15000;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

using WindowMatch = std::function<bool(HWND)>;

WindowMatch ClassIs(const wchar_t* className) {
    return [className](HWND window) {
        return IsWindowVisible(window) && ClassOf(window) == className;
    };
}

// A visible dialog or message box ("#32770") whose owner is `owner` (null:
// the program's own top-level dialog).
WindowMatch DialogOwnedBy(HWND owner) {
    return [owner](HWND window) {
        return IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
               GetWindow(window, GW_OWNER) == owner;
    };
}

// Presses OK and waits until the box is gone, so that the next search finds
// the next box and not this one.
bool Dismiss(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitUntil([box] { return !IsWindow(box); }, kActMs);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ReleaseSmoke, MapperStartsInItsFolderShowsItsWindowAndSavesTopIniThere) {
    const std::wstring topIni = g_releaseFolder + L"Top.ini";
    ASSERT_FALSE(Exists(topIni)) << "the unpacked release already holds a Top.ini";

    ChildProcess run;
    ASSERT_TRUE(run.Start(ProgramUnderTest(L"mapper.exe"), L"", g_releaseFolder.c_str()))
        << "cannot start mapper.exe, error " << GetLastError();
    HWND main = run.WaitWindow(ClassIs(L"PamuroMain"), kStartMs);
    ASSERT_NE(main, nullptr) << "mapper.exe showed no main window";

    // Start-up warns before it fills the window when Wine offers no joystick,
    // as on the test machine; where a game pad is plugged in, no box comes up.
    const std::wstring untitled = L"Pamuro - 「無題」";
    HWND warning = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            warning = run.WaitWindow(ClassIs(L"#32770"), 0);
            return warning != nullptr || WindowText(main) == untitled;
        },
        kStartMs))
        << "start-up neither warned nor titled the window";
    if (warning != nullptr) {
        EXPECT_EQ(MessageBoxText(warning), L"ジョイスティックが使用できません。");
        ASSERT_TRUE(Dismiss(warning));
    }
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == untitled; }, kActMs))
        << "title: " << testing::PrintToString(WindowText(main));

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.WaitExit(kActMs)) << "mapper.exe did not end after WM_CLOSE";
    EXPECT_EQ(run.ExitCode(), 0u);

    // One untitled set with no keys, in the working folder (the release folder).
    const std::string saved = ReadFileBytes(topIni);
    const std::string head =
        "[PAMURO]\r\nSETKEYCOUNT=0\r\n[KEYSETNAME]\r\nKEYSETNAME 0=" + Sjis(L"無題") +
        "\r\n[KEYSET]\r\n";
    const std::string tail = "\r\n[SETTING]\r\nSetKeyDownMode=0\r\nSetSleep=0\r\n";
    ASSERT_FALSE(saved.empty()) << "no Top.ini in the release folder after exit";
    EXPECT_EQ(saved.compare(0, head.size(), head), 0) << saved;
    EXPECT_TRUE(saved.size() > tail.size() &&
                saved.compare(saved.size() - tail.size(), tail.size(), tail) == 0)
        << saved;
    EXPECT_EQ(CountOf(saved, "\r\nKEYSET 0-"), 24u) << "two keys for each of the 12 inputs";
    // Leave the folder as unpacked, so the driver can run again on it.
    DeleteFileW(topIni.c_str());
}

const std::string kGame = "MZ\x90\0winmm.dll\0joyGetDevCapsA\0joyGetPosEx\0joyGetPos\0"s;
const std::string kPatchedGame = "MZ\x90\0winmm.dll\0joyGetDevCapsA\0midiInGetID\0mmioClose\0"s;

TEST(ReleaseSmoke, DisablerPatchesAGameAndKeepsItsBackup) {
    const std::wstring game = MakeWorkFolder() + L"\\GAME.EXE";
    const std::wstring backup = game + L".BAK";
    WriteFileBytes(game, kGame);

    ChildProcess run;
    ASSERT_TRUE(run.Start(ProgramUnderTest(L"disabler.exe"), L"", g_releaseFolder.c_str()))
        << "cannot start disabler.exe, error " << GetLastError();
    HWND dialog = run.WaitWindow(DialogOwnedBy(nullptr), kStartMs);
    ASSERT_NE(dialog, nullptr) << "disabler.exe showed no dialog";

    ASSERT_TRUE(SetDlgItemTextW(dialog, 1002, game.c_str()));
    // Posted: the program stays inside its message boxes until they are dismissed.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1001)));
    HWND notice = run.WaitWindow(DialogOwnedBy(dialog), kActMs);
    ASSERT_NE(notice, nullptr) << "no notice before the patch";
    EXPECT_EQ(MessageBoxText(notice),
              L"ジョイステイック無効化処理には多少時間がかかります。\n"
              L"次のメッセージが表示されるまで気長にお待ち下さい。");
    ASSERT_TRUE(Dismiss(notice));
    HWND success = run.WaitWindow(DialogOwnedBy(dialog), kActMs);
    ASSERT_NE(success, nullptr) << "no message after the patch";
    EXPECT_EQ(WindowText(success), L"成功");
    EXPECT_EQ(MessageBoxText(success),
              L"ジョイステイック無効化処理を適用しました。\r\nゲームを起動して試して下さい。");
    ASSERT_TRUE(Dismiss(success));

    EXPECT_EQ(ReadFileBytes(game), kPatchedGame);
    EXPECT_EQ(ReadFileBytes(backup), kGame);

    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1000)));
    ASSERT_TRUE(run.WaitExit(kActMs)) << "disabler.exe did not end on its exit button";
    EXPECT_EQ(run.ExitCode(), 0u);
    DeleteFileW(game.c_str());
    DeleteFileW(backup.c_str());
}

// The folder named last on the command line (gtest flags removed), read in
// wide characters so that any folder name works.
std::wstring FolderArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring folder = count >= 2 ? arguments[count - 1] : L"";
    LocalFree(arguments);
    if (!folder.empty() && folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder;
}

}  // namespace

std::wstring ProgramUnderTest(const std::wstring& exeName) {
    return g_releaseFolder + exeName;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: release_smoke_tests [gtest flags] FOLDER\n"
                     "FOLDER: the folder unpacked from a release zip\n");
        return 2;
    }
    g_releaseFolder = FolderArgument();
    if (!Exists(g_releaseFolder + L"mapper.exe") || !Exists(g_releaseFolder + L"disabler.exe")) {
        std::fprintf(stderr, "release_smoke_tests: %s holds no mapper.exe and disabler.exe\n",
                     argv[1]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
