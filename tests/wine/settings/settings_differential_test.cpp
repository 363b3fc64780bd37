// The project's INI code against kernel32's private-profile functions: the
// same sequences of reads and writes go through both (kernel32 one call per
// entry), and the resulting files and values must agree byte for byte.
//
// Where Wine's kernel32 is known to differ from Windows, the case is checked
// against the Windows result written here instead, with the difference named.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mapper/model/ini_profile.h"
#include "mapper/model/settings.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "tests/wine/settings/kernel_settings.h"
#include "tests/wine/support/files.h"

namespace {

std::string ScratchDirectory(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string directory =
        std::string(temp) + "pamuro-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

// Shows CR and LF, so a difference in line ends is visible in a failure.
std::string Visible(const std::string& bytes) {
    std::string shown;
    for (char c : bytes) {
        shown += c == '\r'   ? std::string("\\r")
                 : c == '\n' ? std::string("\\n\n")
                             : std::string(1, c);
    }
    return shown;
}

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

IniProfile g_profile;

std::string OwnWrites(const std::string* before, const std::vector<Write>& writes) {
    if (before) {
        g_profile.Load(before->data(), before->size(), Win32SettingsStorage());
    } else {
        g_profile.Clear();
    }
    for (const Write& w : writes) {
        const ProfileWrite write{w.section, w.key, w.value};
        EXPECT_TRUE(g_profile.WriteEntries(&write, 1));
    }
    return std::string(g_profile.Text(), g_profile.Length());
}

std::string KernelWrites(const std::string& path, const std::string* before,
                         const std::vector<Write>& writes) {
    DeleteFileA(path.c_str());
    if (before) {
        EXPECT_TRUE(WriteFileBytes(path, *before)) << path;
    }
    for (const Write& w : writes) {
        EXPECT_TRUE(WritePrivateProfileStringA(w.section, w.key, w.value, path.c_str()));
    }
    return ReadFileBytes(path);
}

void ExpectSameTables(const KeySetTable& own, const KeySetTable& kernel) {
    ASSERT_EQ(own.SetKeyCount, kernel.SetKeyCount);
    for (int set = 0; set < kMaxSets; ++set) {
        EXPECT_STREQ(own.Names[set], kernel.Names[set]) << "set " << set;
        for (int slot = 0; slot < kInputCount; ++slot) {
            for (int key = 0; key < kKeysPerInput; ++key) {
                EXPECT_EQ(own.Keys[set][slot][key], kernel.Keys[set][slot][key])
                    << set << "/" << slot << "/" << key;
            }
        }
    }
}

// Both sides save into directories of their own: ours through SaveSettings
// and the Win32 storage, kernel32's through KernelSave.
class SettingsAgainstKernel : public ::testing::Test {
  protected:
    void SetUp() override {
        ownDirectory_ = ScratchDirectory("own");
        kernelPath_ = ScratchDirectory("kernel") + "\\Top.ini";
        ownPath_ = ownDirectory_ + "\\Top.ini";
        DeleteFileA(ownPath_.c_str());
        DeleteFileA(kernelPath_.c_str());
        char previous[MAX_PATH];
        GetCurrentDirectoryA(sizeof previous, previous);
        SetCurrentDirectoryA(ownDirectory_.c_str());
        FetchStartupDirectory(*settings_, Win32SettingsStorage());
        SetCurrentDirectoryA(previous);
        ClearKeySetTable(*table_);
        options_.KeyDownMode = 0;
        options_.SetSleep = 0;
    }

    void SaveBoth() {
        ASSERT_TRUE(SaveSettings(*settings_, Win32SettingsStorage(), *table_, options_));
        KernelSave(kernelPath_, *table_, options_);
        EXPECT_EQ(Visible(ReadFileBytes(ownPath_)), Visible(ReadFileBytes(kernelPath_)));
    }

    void LoadBothAndCompare() {
        auto own = std::make_unique<KeySetTable>();
        auto kernel = std::make_unique<KeySetTable>();
        MapperOptions ownOptions, kernelOptions;
        LoadSettings(*settings_, false, Win32SettingsStorage(), *own, ownOptions);
        KernelLoad(kernelPath_, *kernel, kernelOptions);
        ExpectSameTables(*own, *kernel);
        EXPECT_EQ(ownOptions.KeyDownMode, kernelOptions.KeyDownMode);
        EXPECT_EQ(ownOptions.SetSleep, kernelOptions.SetSleep);
    }

    void FillSets(int count) {
        table_->SetKeyCount = count - 1;
        for (int set = 0; set < count; ++set) {
            wsprintfA(table_->Names[set], "\x83\x5c\x95\x5c %d |\x83\x7c", set);  // ソ表 %d |ポ
            for (int slot = 0; slot < kInputCount; ++slot) {
                for (int key = 0; key < kKeysPerInput; ++key) {
                    table_->Keys[set][slot][key] = (set * 7 + slot * 3 + key) % 256 - 20;
                }
            }
        }
    }

    std::string ownDirectory_, ownPath_, kernelPath_;
    std::unique_ptr<SettingsState> settings_ = std::make_unique<SettingsState>();
    std::unique_ptr<KeySetTable> table_ = std::make_unique<KeySetTable>();
    MapperOptions options_;
};

TEST_F(SettingsAgainstKernel, FirstSave) {
    LoadSettings(*settings_, false, Win32SettingsStorage(), *table_, options_);  // no file yet
    SaveBoth();
    LoadBothAndCompare();
}

TEST_F(SettingsAgainstKernel, EightyFullSets) {
    FillSets(kMaxSets);
    options_.KeyDownMode = 1;
    options_.SetSleep = 5;
    SaveBoth();
    LoadBothAndCompare();
}

TEST_F(SettingsAgainstKernel, ShrinkingFromFiveSetsToThree) {
    FillSets(5);
    SaveBoth();
    table_->SetKeyCount = 2;
    SaveBoth();
    LoadBothAndCompare();
}

TEST_F(SettingsAgainstKernel, DeletingEverySet) {
    FillSets(2);
    SaveBoth();
    table_->SetKeyCount = -1;
    SaveBoth();
    LoadBothAndCompare();
}

TEST_F(SettingsAgainstKernel, OptionsThreeHundredAndTwo) {
    const std::string file = "[SETTING]\r\nSetKeyDownMode=2\r\nSetSleep=300\r\n";
    ASSERT_TRUE(WriteFileBytes(ownPath_, file));
    ASSERT_TRUE(WriteFileBytes(kernelPath_, file));
    LoadBothAndCompare();
    LoadSettings(*settings_, false, Win32SettingsStorage(), *table_, options_);
    EXPECT_EQ(options_.SetSleep, 44);
    EXPECT_EQ(options_.KeyDownMode, 2);
    SaveBoth();
}

struct Read {
    const char* section;
    const char* key;
    // Where Wine's GetPrivateProfileIntA is known to differ from Windows: the
    // Windows result, checked instead of Wine's.
    bool wineIntDiffers = false;
    int32_t windowsInt = 0;
};

// Reads every query through both and compares strings (256-byte buffer, and
// a 6-byte one for the cut) and integers.
void ExpectSameReads(const std::string& path, const std::string& bytes,
                     const std::vector<Read>& reads) {
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    g_profile.Load(bytes.data(), bytes.size(), Win32SettingsStorage());
    for (const Read& r : reads) {
        for (DWORD size : {DWORD{256}, DWORD{6}}) {
            char kernel[256] = {};
            char own[256] = {};
            const DWORD kernelCount =
                GetPrivateProfileStringA(r.section, r.key, "dflt  ", kernel, size, path.c_str());
            const uint32_t ownCount = g_profile.GetString(r.section, r.key, "dflt  ", own, size);
            EXPECT_STREQ(own, kernel) << "[" << r.section << "] " << r.key << " size " << size;
            EXPECT_EQ(ownCount, kernelCount) << "[" << r.section << "] " << r.key;
        }
        const int32_t expected =
            r.wineIntDiffers
                ? r.windowsInt
                : static_cast<int32_t>(GetPrivateProfileIntA(r.section, r.key, 77, path.c_str()));
        EXPECT_EQ(g_profile.GetInt(r.section, r.key, 77), expected)
            << "[" << r.section << "] " << r.key;
    }
}

const std::string kHandMade = std::string() +
                              "[Alpha]\r\n"
                              "\r\n"
                              "; a comment=not a key\r\n"
                              "  spaced  =  padded value  \r\n"
                              "\tTabbed\t=\t tabbed\r\n"
                              "dq=\"  quoted  \"\r\n"
                              "sq='single'\r\n"
                              "mismatched=\"open'\r\n"
                              "semi=;x\r\n"
                              "#hash=visible\r\n"
                              "dup=first\r\n"
                              "DUP=second\r\n"
                              "empty=\r\n"
                              "eq=a=b\r\n"
                              "bare\r\n"
                              "sjis=\x83\x5c\x95\x5c|\x83\x7c\r\n"
                              "\x83\x5c\x95\x5c=name with 5C bytes\r\n"
                              "long=" +
                              std::string(300, 'L') +
                              "\r\n"
                              "\r\n"
                              "[alpha]\r\n"
                              "later=second copy\r\n"
                              "[LF]\n"
                              "lf=4\n"
                              "[CR]\r"
                              "cr=5\r"
                              "cr2=6\r"
                              "[Ints]\r\n"
                              "one=1\r\n"
                              "plus=+1\r\n"
                              "minus=-1\r\n"
                              "stop=42A94967297\r\n"
                              "nonnumber=B4294967297\r\n"
                              "wrap=4294967296\r\n"
                              "wrap1=4294967297\r\n"
                              "negwrap=-4294967297\r\n"
                              "hex=0x10\r\n"
                              "[Last]\r\n"
                              "final=no line end";

TEST(IniReadsAgainstKernel, HandMadeFile) {
    const std::string path = ScratchDirectory("reads") + "\\Top.ini";
    ExpectSameReads(path, kHandMade,
                    {{"Alpha", "spaced"},
                     {"alpha", "SPACED"},
                     {" Alpha ", " spaced "},
                     {"Alpha", "Tabbed"},
                     {"Alpha", "dq"},
                     {"Alpha", "sq"},
                     {"Alpha", "mismatched"},
                     {"Alpha", "semi"},
                     {"Alpha", "#hash"},
                     {"Alpha", "dup"},
                     {"Alpha", "empty", true, 0},
                     {"Alpha", "eq"},
                     {"Alpha", "bare"},
                     {"Alpha", "sjis"},
                     {"Alpha", "\x83\x5c\x95\x5c"},
                     {"Alpha", "long"},
                     {"Alpha", "later"},
                     {"Alpha", "missing"},
                     {"Nowhere", "x"},
                     {"LF", "lf"},
                     {"CR", "cr"},
                     {"CR", "cr2"},
                     {"Ints", "one"},
                     {"Ints", "plus"},
                     {"Ints", "minus"},
                     {"Ints", "stop"},
                     {"Ints", "nonnumber"},
                     {"Ints", "wrap"},
                     {"Ints", "wrap1"},
                     {"Ints", "negwrap"},
                     // Wine gives the default for an empty value and reads 0x as
                     // hex; Windows' rules make both non-numbers (0 and the
                     // digits before the x).
                     {"Ints", "hex", true, 0},
                     {"Last", "final"}});
}

struct WriteCase {
    const char* name;
    const char* before;  // nullptr: no file
    std::vector<Write> writes;
    // Empty: compare with kernel32. Otherwise Wine is known to leave another
    // file than Windows, and this is what Windows leaves.
    const char* windows;
};

TEST(IniWritesAgainstKernel, Sequences) {
    const WriteCase cases[] = {
        {"new file", nullptr, {{"S", "k", "v"}, {"S", "k2", "v2"}, {"T", "k", ""}}, ""},
        {"no final line end", "[A]\r\na=1", {{"A", "b", "2"}, {"B", "c", "3"}}, ""},
        {"header without line end", "[A]", {{"A", "b", "2"}}, ""},
        {"existing key keeps its spelling", "[Sec]\r\nKey=1\r\n", {{"SEC", "KEY", "2"}}, ""},
        {"empty value", "[A]\r\nk=\r\n", {{"A", "j", ""}, {"A", "k", "1"}}, ""},
        {"Shift-JIS names with 5C and 7C",
         nullptr,
         {{"KEYSETNAME", "KEYSETNAME 0", "\x83\x5c"},
          {"KEYSETNAME", "KEYSETNAME 1", "\x95\x5c\x83\x7c"},
          {"KEYSETNAME", "KEYSETNAME 0", "\x95\x5c\x95\x5c"}},
         ""},
        {"long value", "[A]\r\n", {{"A", "k", "0123456789012345678901234567890123456789"}}, ""},
        {"duplicate keys: the first changes", "[A]\r\nk=1\r\nk=2\r\n", {{"A", "k", "3"}}, ""},
        {"a key line without '=' takes the value",
         "[A]\r\nflag\r\nx=1\r\n",
         {{"A", "flag", "1"}, {"A", "y", "2"}},
         ""},
        // Wine rewrites the whole file: blank lines go, blanks around '=' go.
        {"blank lines and blanks around =",
         "[A]\r\n\r\n  a = 1 \r\n\r\n[B]\r\nb=1\r\n",
         {{"A", "c", "3"}, {"B", "b", "2"}},
         "[A]\r\n\r\n  a = 1 \r\nc=3\r\n\r\n[B]\r\nb=2\r\n"},
        // Wine puts a new key after the comments at the end of its section.
        {"comments stay below the last key",
         "[A]\r\na=1\r\n;note\r\n[B]\r\n",
         {{"A", "c", "3"}},
         "[A]\r\na=1\r\nc=3\r\n;note\r\n[B]\r\n"},
        {"bytes before the first section", "junk\r\nk=1\r\n[A]\r\n", {{"A", "k", "2"}}, ""},
        // Wine writes every line end as CRLF.
        {"LF-only lines",
         "[A]\na=1\n[B]\nb=1\n",
         {{"A", "c", "3"}, {"B", "b", "2"}},
         "[A]\na=1\nc=3\r\n[B]\nb=2\r\n"},
        {"CR-only lines",
         "[A]\ra=1\r[B]\rb=1\r",
         {{"A", "c", "3"}, {"B", "b", "2"}},
         "[A]\ra=1\rc=3\r\n[B]\rb=2\r\n"},
        // Wine understands the UTF-8 mark; Windows reads it as part of line 1.
        {"UTF-8 mark",
         "\xEF\xBB\xBF[A]\r\na=1\r\n",
         {{"A", "a", "2"}},
         "\xEF\xBB\xBF[A]\r\na=1\r\n[A]\r\na=2\r\n"},
    };
    const std::string path = ScratchDirectory("writes") + "\\Top.ini";
    for (const WriteCase& c : cases) {
        const std::string before = c.before ? c.before : "";
        const std::string* start = c.before ? &before : nullptr;
        const std::string own = OwnWrites(start, c.writes);
        if (c.windows[0] == '\0') {
            EXPECT_EQ(Visible(own), Visible(KernelWrites(path, start, c.writes))) << c.name;
        } else {
            EXPECT_EQ(Visible(own), Visible(c.windows)) << c.name;
        }
    }
}

// Reads of a UTF-16LE file: both convert to the ANSI code page (932 here).
TEST(IniReadsAgainstKernel, Utf16File) {
    const std::u16string text = u"[S]\r\nk=\u30bd\u8868 \u3042\r\nn=12\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    const std::string path = ScratchDirectory("utf16") + "\\Top.ini";
    ExpectSameReads(path, bytes, {{"S", "k"}, {"S", "n"}, {"S", "missing"}});
    EXPECT_TRUE(g_profile.Lossless());
}

}  // namespace
