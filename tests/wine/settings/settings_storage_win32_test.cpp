// Saving and loading Top.ini through the Win32 storage on real files: the
// temporary file's name, the attributes of Top.ini, a failed replacement and
// a start-up folder whose name the ANSI code page cannot hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "mapper/model/settings.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "tests/wine/support/files.h"

namespace {

// The files of `directory`, by name.
std::wstring Listing(const std::wstring& directory) {
    std::wstring names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names += std::wstring(found.cFileName) + L"|";
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A fresh folder under the temporary folder, made current while the start-up
// directory is fetched, as mapper does at start.
class Win32SettingsFiles : public ::testing::Test {
  protected:
    void UseFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        directory_ = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(directory_.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        path_ = directory_ + L"\\Top.ini";
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(directory_.c_str()));
        FetchStartupDirectory(*settings_, Win32SettingsStorage());
        SetCurrentDirectoryW(previous);
        ClearKeySetTable(*table_);
        std::strcpy(table_->Names[0], "\x83\x5c\x95\x5c");  // ソ表
        table_->Keys[0][0][0] = 65;
        options_.KeyDownMode = 1;
        options_.SetSleep = 2;
    }
    void TearDown() override {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((directory_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((directory_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(directory_.c_str());
    }
    bool Save() { return SaveSettings(*settings_, Win32SettingsStorage(), *table_, options_); }

    std::wstring directory_, path_;
    std::unique_ptr<SettingsState> settings_ = std::make_unique<SettingsState>();
    std::unique_ptr<KeySetTable> table_ = std::make_unique<KeySetTable>();
    MapperOptions options_;
};

TEST_F(Win32SettingsFiles, AFileWithTheTemporaryNameIsLeftAlone) {
    UseFolder(L"pamuro-temporary-");
    const std::wstring taken = directory_ + L"\\Top.~0";
    ASSERT_TRUE(WriteFileBytes(taken, "someone else's"));
    ASSERT_TRUE(Save());
    EXPECT_EQ(ReadFileBytes(taken), "someone else's");
    EXPECT_NE(ReadFileBytes(path_).find("SETKEYCOUNT=0\r\n"), std::string::npos);
    // Nothing else is left behind.
    EXPECT_EQ(Listing(directory_), L"Top.ini|Top.~0|");
}

TEST_F(Win32SettingsFiles, TopIniKeepsItsAttributes) {
    UseFolder(L"pamuro-attributes-");
    ASSERT_TRUE(Save());
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    table_->Keys[0][0][0] = 66;
    ASSERT_TRUE(Save());
    EXPECT_NE(ReadFileBytes(path_).find("KEYSET 0- 0- 0=66\r\n"), std::string::npos);
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u) << std::hex << attributes;
}

// Another program holds Top.ini open without sharing its deletion, or the
// file is read-only: the save fails, is reported, and leaves the file as it
// was. The move that failed (for longer than its retries) keeps its written
// temporary file for the next start; the read-only file is refused before
// one is written.
TEST_F(Win32SettingsFiles, AFailedReplacementLeavesTheFileWhole) {
    for (const bool readOnly : {false, true}) {
        UseFolder(L"pamuro-held-");
        ASSERT_TRUE(WriteFileBytes(path_, "[PAMURO]\r\nSETKEYCOUNT=0\r\n; mine\r\n"));
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (readOnly) {
            ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
        } else {
            holder = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }
        EXPECT_FALSE(Save()) << (readOnly ? "read-only" : "held open");
        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
        }
        EXPECT_EQ(settings_->failure,
                  readOnly ? SaveFailure::ReplaceFailed : SaveFailure::TemporaryKept);
        EXPECT_EQ(ReadFileBytes(path_), "[PAMURO]\r\nSETKEYCOUNT=0\r\n; mine\r\n");
        EXPECT_EQ(Listing(directory_), readOnly ? L"Top.ini|" : L"Top.ini|Top.~0|");
        TearDown();
    }
}

TEST_F(Win32SettingsFiles, AStartupFolderOutsideTheCodePageWorks) {
    // Korean and an emoji: neither has a form in code page 932.
    UseFolder(L"pamuro-\xd45c\xd83c\xdfae-");
    ASSERT_TRUE(Save());
    EXPECT_NE(ReadFileBytes(path_).find("SetSleep=2\r\n"), std::string::npos);
    auto loaded = std::make_unique<KeySetTable>();
    MapperOptions loadedOptions;
    EXPECT_EQ(LoadSettings(*settings_, false, Win32SettingsStorage(), *loaded, loadedOptions),
              SettingsLoadResult::Loaded);
    EXPECT_STREQ(loaded->Names[0], "\x83\x5c\x95\x5c");
    EXPECT_EQ(loaded->Keys[0][0][0].load(), 65);
    EXPECT_EQ(loadedOptions.SetSleep, 2);
}

}  // namespace
