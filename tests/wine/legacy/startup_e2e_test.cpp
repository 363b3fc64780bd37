// mapper.exe's start-up data under Wine. Taking over a Tolvin.dat: the
// converted sets are in Top.ini while mapper still runs, and Tolvin.dat is
// deleted only then; when Top.ini cannot take them, Tolvin.dat stays and the
// start-up message says so. And a start-up folder whose name code page 932
// cannot hold.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/wine/joystick_stub/joystick_stub.h"
#include "tests/wine/mapper/mapper_driver.h"

namespace {

constexpr DWORD kStartMs = 20000;
const std::wstring kOldName = L"古いゲーム";

std::wstring LegacyPath() {
    wchar_t directory[MAX_PATH];
    GetWindowsDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\Tolvin.dat";
}

// A layout 1.2 file with sets 0 to 2; set 0 is named kOldName.
std::string LegacyFile() {
    std::string bytes(24341, '\0');
    bytes.replace(0, 7, std::string("Pamuro\0", 7));
    bytes[12] = 2;  // highest set index
    const std::string names[] = {Sjis(kOldName), "two", "three"};
    for (int set = 0; set < 3; ++set) {
        bytes.replace(16 + set * 256, names[set].size(), names[set]);
    }
    return bytes;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class StartupE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        TestJoystick* stick = OpenTestJoystick();
        ASSERT_NE(stick, nullptr);
        PlugCentredJoystick(stick);
        folder_ = MakeWorkFolder();
    }
    void TearDown() override { DeleteFileW(LegacyPath().c_str()); }
    std::wstring TopIni() const { return folder_ + L"\\Top.ini"; }

    // Waits for the message box of the program, checks that its text holds
    // `part`, and presses OK.
    void Acknowledge(MapperRun& run, const wchar_t* caption, const std::wstring& part) {
        HWND box = run.WaitDialog(caption, kStartMs);
        ASSERT_NE(box, nullptr) << "no message with " << Sjis(part);
        EXPECT_NE(MessageBoxText(box).find(part), std::wstring::npos) << Sjis(MessageBoxText(box));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kStartMs));
    }

    std::wstring folder_;
};

TEST_F(StartupE2E, TheConvertedSetsAreInTopIniBeforeTolvinDatGoes) {
    WriteFileBytes(LegacyPath(), LegacyFile());
    MapperRun run;
    ASSERT_TRUE(run.Start(folder_, L""));
    Acknowledge(run, L"メッセージ", L"バージョン1.2のデーター");
    ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
    EXPECT_EQ(run.WaitSetTitle(kStartMs), L"Pamuro - 「" + kOldName + L"」");
    // Saved at start-up, not only at exit.
    const std::string saved = ReadFileBytes(TopIni());
    EXPECT_NE(saved.find("SETKEYCOUNT=2\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("KEYSETNAME 0=" + Sjis(kOldName) + "\r\n"), std::string::npos);
    EXPECT_FALSE(Exists(LegacyPath()));
    PostMessageW(run.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.WaitExit(kStartMs));
    EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(StartupE2E, TolvinDatStaysWhenTopIniCannotTakeTheSets) {
    WriteFileBytes(LegacyPath(), LegacyFile());
    const std::string tooLarge = ";" + std::string(size_t{1} << 20, 'x') + "\r\n";
    WriteFileBytes(TopIni(), tooLarge);
    MapperRun run;
    ASSERT_TRUE(run.Start(folder_, L""));
    Acknowledge(run, L"メッセージ", L"バージョン1.2のデーター");
    Acknowledge(run, nullptr,
                L"Tolvin.dat は削除せずに残しました。次回の起動時にもう一度変換します。");
    ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
    EXPECT_EQ(run.WaitSetTitle(kStartMs), L"Pamuro - 「" + kOldName + L"」");
    EXPECT_TRUE(Exists(LegacyPath()));
    PostMessageW(run.Main(), WM_CLOSE, 0, 0);
    Acknowledge(run, nullptr, L"Top.ini は元のままです。");
    ASSERT_TRUE(run.WaitExit(kStartMs));
    EXPECT_TRUE(Exists(LegacyPath())) << "the next start converts it again";
    EXPECT_EQ(ReadFileBytes(TopIni()), tooLarge);
}

TEST_F(StartupE2E, AFolderNameOutsideTheCodePage) {
    // Korean and an emoji: neither has a form in code page 932.
    const std::wstring folder = folder_ + L"\\\xd45c \xd83c\xdfae";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring topIni = folder + L"\\Top.ini";
    const std::string before =
        "[PAMURO]\r\nSETKEYCOUNT=0\r\n[KEYSETNAME]\r\nKEYSETNAME 0=" + Sjis(kOldName) + "\r\n";
    WriteFileBytes(topIni, before);
    MapperRun run;
    ASSERT_TRUE(run.Start(folder, L""));
    ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
    EXPECT_EQ(run.WaitSetTitle(kStartMs), L"Pamuro - 「" + kOldName + L"」");
    PostMessageW(run.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.WaitExit(kStartMs));
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_EQ(ReadFileBytes(topIni).substr(0, before.size() + 17), before + "[KEYSET]\r\nKEYSET ");
}

}  // namespace
