// The legacy conversion through the real Win32 backend: a Tolvin.dat in the
// Windows directory, message boxes that really appear and are read and
// closed by a watcher thread, and the file's deletion.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mapper/model/legacy.h"
#include "mapper/model/model_texts_sjis.h"
#include "mapper/model/startup_data.h"
#include "mapper/platform/win32/win32_legacy_platform.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "tests/wine/support/files.h"
#include "tests/wine/support/wait.h"

namespace {

const wchar_t kMessage10[] =
    L"バージョン1.0のデーターを、バージョン1.3のデーターに自動変換します。";
const wchar_t kMessage12[] =
    L"バージョン1.2のデーターを、バージョン1.3のデーターに自動変換します。";
const wchar_t kCaption[] = L"メッセージ";
const char kSjisUntitled[] = "\x96\xb3\x91\xe8";  // 無題

std::string LegacyPath() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\Tolvin.dat";
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What the watcher saw of one message box while it was up.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    bool icon = false;
    DWORD openErrorWhileShown = 0;  // a second open of the legacy file meanwhile
};

// Finds every message box of this process, reads it, and presses OK.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher() { thread_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr); }
    ~MessageBoxWatcher() { Stop(); }

    const std::vector<SeenBox>& Stop() {
        if (thread_ != nullptr) {
            InterlockedExchange(&stop_, 1);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return boxes_;
    }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* watcher = static_cast<MessageBoxWatcher*>(self);
        WaitUntil(
            [watcher] {
                EnumWindows(&OnTopLevelWindow, reinterpret_cast<LPARAM>(watcher));
                return InterlockedCompareExchange(&watcher->stop_, 0, 0) != 0;
            },
            INFINITE, 20);
        return 0;
    }

    static BOOL CALLBACK OnTopLevelWindow(HWND window, LPARAM self) {
        auto* watcher = reinterpret_cast<MessageBoxWatcher*>(self);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[32] = L"";
        GetClassNameW(window, className, 32);
        if (process == GetCurrentProcessId() && lstrcmpW(className, L"#32770") == 0 &&
            IsWindowVisible(window) && window != watcher->lastClosed_) {
            watcher->ReadAndClose(window);
        }
        return TRUE;
    }

    static BOOL CALLBACK OnControl(HWND control, LPARAM box) {
        auto* seen = reinterpret_cast<SeenBox*>(box);
        wchar_t className[32] = L"";
        GetClassNameW(control, className, 32);
        if (lstrcmpiW(className, L"Static") != 0) {
            return TRUE;
        }
        if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            seen->icon = seen->icon || (IsWindowVisible(control) &&
                                        SendMessageW(control, STM_GETICON, 0, 0) != 0);
            return TRUE;
        }
        wchar_t text[1024] = L"";
        SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
        if (text[0] != L'\0') {
            seen->text = text;
        }
        return TRUE;
    }

    void ReadAndClose(HWND box) {
        SeenBox seen;
        wchar_t caption[256] = L"";
        GetWindowTextW(box, caption, 256);
        seen.caption = caption;
        EnumChildWindows(box, &OnControl, reinterpret_cast<LPARAM>(&seen));
        HANDLE again = CreateFileA(LegacyPath().c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        seen.openErrorWhileShown = again == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (again != INVALID_HANDLE_VALUE) {
            CloseHandle(again);
        }
        boxes_.push_back(seen);
        lastClosed_ = box;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    HWND lastClosed_ = nullptr;
    std::vector<SeenBox> boxes_;
};

void PutInt32LE(std::string& bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
    }
}

int32_t FileKey(int set, int slot) {
    return 0x41 + set + slot * 1000;
}

// A legacy file with highest index 3: set 0 named "無題", the others
// "game N", key codes by FileKey. `slotArrays` by InputIndex, 0 when absent.
std::string MakeLegacyFile(bool layout12) {
    const size_t size = layout12 ? 24341 : 23044;
    const size_t names = layout12 ? 16 : 4;
    const size_t arrays10[kFirstReleaseInputCount] = {21764, 22084, 22404, 22724, 20484, 20804,
                                                      21124, 21444, 0,     0,     0,     0};
    const size_t arrays12[kFirstReleaseInputCount] = {23056, 23376, 23696, 24016, 20496, 20816,
                                                      21136, 21456, 21776, 22096, 22416, 22736};
    std::string bytes(size, '\0');
    if (layout12) {
        bytes.replace(0, 7, std::string("Pamuro\0", 7));
    }
    PutInt32LE(bytes, layout12 ? 12 : 0, 3);
    for (int set = 0; set < kMaxSets; ++set) {
        const std::string name = set == 0 ? kSjisUntitled : "game " + std::to_string(set);
        bytes.replace(names + set * kNameSize, name.size(), name);
        for (int slot = 0; slot < kFirstReleaseInputCount; ++slot) {
            const size_t array = layout12 ? arrays12[slot] : arrays10[slot];
            if (array != 0) {
                PutInt32LE(bytes, array + set * 4, FileKey(set, slot));
            }
        }
    }
    return bytes;
}

std::wstring SystemText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text),
        0, nullptr);
    std::wstring result = text != nullptr ? text : L"";
    LocalFree(text);
    return result;
}

std::unique_ptr<KeySetTable> ZeroTable() {
    auto table = std::make_unique<KeySetTable>();
    ClearKeySetTable(*table);
    return table;
}

void ExpectConvertedSets(const KeySetTable& table, bool layout12) {
    ASSERT_EQ(table.SetKeyCount.load(), 3);
    EXPECT_STREQ(table.Names[0], kSjisUntitled);
    EXPECT_STREQ(table.Names[3], "game 3");
    EXPECT_STREQ(table.Names[4], "") << "rows above the highest index stay as they were";
    for (int set = 0; set <= 3; ++set) {
        for (int slot = 0; slot < kInputCount; ++slot) {
            const int32_t expected = slot >= kFirstReleaseInputCount
                                         ? 0  // no legacy release had it
                                     : !layout12 && slot >= 8 ? 13
                                                              : FileKey(set, slot);
            EXPECT_EQ(table.Keys[set][slot][0].load(), expected) << set << "/" << slot;
            EXPECT_EQ(table.Keys[set][slot][1].load(), 0) << set << "/" << slot;
        }
    }
}

class LegacyWin32 : public ::testing::Test {
  protected:
    static void DeleteLegacyFileForTest() { DeleteFileA(LegacyPath().c_str()); }
    void TearDown() override {
        SetFileAttributesA(LegacyPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(LegacyPath().c_str());
        RemoveDirectoryA(LegacyPath().c_str());
    }
};

TEST_F(LegacyWin32, ConvertsBothLayouts) {
    for (bool layout12 : {false, true}) {
        SCOPED_TRACE(layout12 ? "layout 1.2" : "layout 1.0");
        ASSERT_TRUE(WriteFileBytes(LegacyPath(), MakeLegacyFile(layout12)));
        auto table = ZeroTable();
        MessageBoxWatcher watcher;
        const bool converted = ConvertLegacyData(*table, Win32LegacyPlatform());
        const std::vector<SeenBox> boxes = watcher.Stop();

        EXPECT_TRUE(converted);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, layout12 ? kMessage12 : kMessage10);
        EXPECT_EQ(boxes[0].caption, kCaption);
        EXPECT_FALSE(boxes[0].icon);
        // The box is up while the converter holds the file open unshared.
        EXPECT_EQ(boxes[0].openErrorWhileShown, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        ExpectConvertedSets(*table, layout12);
        EXPECT_TRUE(PathExists(LegacyPath())) << "kept until its sets are saved";
        DeleteLegacyFileForTest();
    }
}

TEST_F(LegacyWin32, AnUndeletableFileShowsTheSystemText) {
    ASSERT_TRUE(WriteFileBytes(LegacyPath(), MakeLegacyFile(true)));
    ASSERT_TRUE(SetFileAttributesA(LegacyPath().c_str(), FILE_ATTRIBUTE_READONLY));
    auto table = ZeroTable();
    MessageBoxWatcher watcher;
    const bool converted = ConvertLegacyData(*table, Win32LegacyPlatform());
    DeleteLegacyData(Win32LegacyPlatform());
    const std::vector<SeenBox> boxes = watcher.Stop();

    EXPECT_TRUE(converted);
    ExpectConvertedSets(*table, true);
    ASSERT_TRUE(PathExists(LegacyPath()));
    // The same deletion, once more, tells which error the box had to show.
    ASSERT_FALSE(DeleteFileA(LegacyPath().c_str()));
    const std::wstring expected = SystemText(GetLastError());
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kMessage12);
    EXPECT_EQ(boxes[1].text, expected);
    EXPECT_TRUE(boxes[1].icon);
    EXPECT_FALSE(boxes[1].caption.empty()) << "the system's default caption";
    EXPECT_NE(boxes[1].caption, kCaption);
}

TEST_F(LegacyWin32, NothingToOpenShowsNothingAndChangesNothing) {
    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder named Tolvin.dat" : "no file");
        if (folder) {
            ASSERT_TRUE(CreateDirectoryA(LegacyPath().c_str(), nullptr));
        }
        auto table = ZeroTable();
        std::strcpy(table->Names[0], "kept");
        table->Keys[0][0][0] = 65;
        MessageBoxWatcher watcher;
        EXPECT_FALSE(ConvertLegacyData(*table, Win32LegacyPlatform()));
        EXPECT_TRUE(watcher.Stop().empty());
        EXPECT_STREQ(table->Names[0], "kept");
        EXPECT_EQ(table->Keys[0][0][0].load(), 65);
        EXPECT_EQ(table->SetKeyCount.load(), 0);
        EXPECT_EQ(PathExists(LegacyPath()), folder);
    }
}

// Start-up as mapper runs it: the converted sets go to Top.ini in the start-up
// folder at once, and Tolvin.dat is deleted only when they are there.
TEST_F(LegacyWin32, TheLegacyFileStaysUntilItsSetsAreInTopIni) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"pamuro-startup-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring topIni = folder + L"\\Top.ini";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string tooLarge = ";" + std::string(1 << 20, 'x') + "\r\n";
    const struct {
        const char* what;
        const std::string* top;  // Top.ini before start-up; nullptr: none
        bool saved;
        std::string message;
    } cases[] = {
        {"no Top.ini yet", nullptr, true, ""},
        {"a Top.ini over the size limit", &tooLarge, false,
         std::string(kTooLargeConvertedText) + "\r\n" + kLegacyKeptText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(topIni.c_str());
        if (c.top != nullptr) {
            ASSERT_TRUE(WriteFileBytes(topIni, *c.top));
        }
        ASSERT_TRUE(WriteFileBytes(LegacyPath(), MakeLegacyFile(false)));
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
        auto settings = std::make_unique<SettingsState>();
        auto table = ZeroTable();
        MapperOptions options;
        MessageBoxWatcher watcher;
        const char* message = LoadStartupData(*settings, Win32SettingsStorage(),
                                              Win32LegacyPlatform(), *table, options);
        const std::vector<SeenBox> boxes = watcher.Stop();
        SetCurrentDirectoryW(previous);

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kMessage10);
        ExpectConvertedSets(*table, false);
        EXPECT_EQ(message != nullptr ? std::string(message) : "", c.message);
        EXPECT_EQ(PathExists(LegacyPath()), !c.saved);
        auto reloaded = ZeroTable();
        const SettingsLoadResult loaded =
            LoadSettings(*settings, false, Win32SettingsStorage(), *reloaded, options);
        if (c.saved) {
            EXPECT_EQ(loaded, SettingsLoadResult::Loaded);
            ExpectConvertedSets(*reloaded, false);
        } else {
            EXPECT_EQ(loaded, SettingsLoadResult::TooLarge) << "Top.ini as it was";
        }
    }
    DeleteFileW(topIni.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
