// The DirectInput filter DLLs under Wine: the test game reads a test
// DirectInput in the system folder that reports a keyboard and a game pad.
// Alone it sees both; with the filter of that name beside it, only the
// keyboard, whose held keys still read.
#include <gtest/gtest.h>

#include <string>

#include "tests/wine/support/child_process.h"
#include "tests/wine/support/files.h"
#include "tests/wine/support/system_folder_dll.h"

namespace {

constexpr DWORD kGameExitMs = 20000;

// The folder `name` under the test's own, made afresh with the test game in
// it.
std::wstring GameFolder(const std::wstring& name) {
    const std::wstring folder = OwnFolder() + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW((folder + L"dinput8.dll").c_str());
    DeleteFileW((folder + L"dinput.dll").c_str());
    CopyFileW(FromOwnFolder(DINPUT_GAME_RELATIVE).c_str(), (folder + L"dinput_game.exe").c_str(),
              FALSE);
    return folder;
}

// Runs the test game in `folder` for DirectInput `version` ("8" or "1") and
// returns its report; the exit code goes into `exitCode`.
std::string Play(const std::wstring& folder, const wchar_t* version, DWORD& exitCode) {
    const std::wstring report = folder + L"report.txt";
    DeleteFileW(report.c_str());
    ChildProcess game;
    if (!game.Start(folder + L"dinput_game.exe", std::wstring(version) + L" \"" + report + L"\"",
                    folder.c_str()) ||
        !game.WaitExit(kGameExitMs)) {
        return "(the game did not run to its end)";
    }
    exitCode = game.ExitCode();
    return ReadFileBytes(report);
}

TEST(DirectInputFilter, HidesTheGamePadAndKeepsTheKeyboard) {
    SystemFolderDll systemDinput8(FromOwnFolder(FAKE_DINPUT8_RELATIVE), L"dinput8.dll");
    SystemFolderDll systemDinput(FromOwnFolder(FAKE_DINPUT_RELATIVE), L"dinput.dll");
    ASSERT_TRUE(systemDinput8.Installed() && systemDinput.Installed());

    struct Case {
        const wchar_t* dll;
        const char* filter;  // the filter's path from the test's folder
        const wchar_t* version;
    };
    const Case cases[] = {
        {L"dinput8.dll", FILTER_DINPUT8_RELATIVE, L"8"},
        {L"dinput.dll", FILTER_DINPUT_RELATIVE, L"1"},
    };
    const std::string heldKeys = "keys 1e 39\n";
    const std::string notRegistered = "pad 80040154\n";  // DIERR_DEVICENOTREG
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.dll, test.dll + lstrlenW(test.dll)));
        DWORD exitCode = 99;
        const std::wstring plain = GameFolder(L"game_plain");
        EXPECT_EQ(Play(plain, test.version, exitCode),
                  "device Fake Keyboard\ndevice Fake Pad\npad 0\n" + heldKeys);
        EXPECT_EQ(exitCode, 0u);

        const std::wstring filtered = GameFolder(L"game_filtered");
        ASSERT_TRUE(
            CopyFileW(FromOwnFolder(test.filter).c_str(), (filtered + test.dll).c_str(), FALSE));
        exitCode = 99;
        EXPECT_EQ(Play(filtered, test.version, exitCode),
                  "device Fake Keyboard\n" + notRegistered + heldKeys);
        EXPECT_EQ(exitCode, 0u);
    }
}

}  // namespace
