#include "mapper/model/settings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mapper/model/settings_storage.h"
#include "mapper/platform/posix/posix_settings_storage.h"

namespace {

// One Top.ini in memory. Records every call; reads and replacements can be
// scripted to fail.
class FakeStorage : public SettingsStorage {
  public:
    bool exists = false;
    std::string file;
    FileReadResult failRead = FileReadResult::Read;  // Read: no scripted failure
    bool failReplace = false;
    std::vector<std::string> calls;

    FileReadResult ReadWholeFile(const char* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        calls.push_back(std::string("read ") + path);
        if (failRead != FileReadResult::Read) {
            return failRead;
        }
        if (!exists) {
            return FileReadResult::Missing;
        }
        if (file.size() > capacity) {
            return FileReadResult::TooLarge;
        }
        std::memcpy(buffer, file.data(), file.size());
        *size = file.size();
        return FileReadResult::Read;
    }
    bool ReplaceFile(const char* path, const char* data, size_t size) override {
        calls.push_back(std::string("replace ") + path);
        if (failReplace) {
            return false;
        }
        exists = true;
        file.assign(data, size);
        return true;
    }
    bool CurrentDirectory(char* buffer, size_t capacity) override {
        calls.push_back("cwd");
        std::snprintf(buffer, capacity, "C:\\Games\\\x95\x5c");  // 表: second byte is '\'
        return true;
    }
    // Knows あ (U+3042, 82 A0) only.
    int ToAnsi(char16_t unit, char out[2]) override {
        if (unit != u'\u3042') {
            return 0;
        }
        out[0] = '\x82';
        out[1] = '\xa0';
        return 2;
    }
    char16_t ToWide(const char* bytes, int count) override {
        return count == 2 && bytes[0] == '\x82' && bytes[1] == '\xa0' ? u'\u3042' : 0;
    }
};

const char kPath[] = "C:\\Games\\\x95\x5c\\Top.ini";

struct Fixture {
    FakeStorage storage;
    std::unique_ptr<KeySetTable> table = std::make_unique<KeySetTable>();
    MapperOptions options;

    Fixture() {
        ClearKeySetTable(*table);
        options.KeyDownMode = 0;
        options.SetSleep = 0;
        FetchStartupDirectory(storage);
        storage.calls.clear();
    }
    SettingsLoadResult Load(bool converted = false) {
        return LoadSettings(converted, storage, *table, options);
    }
    bool Save() { return SaveSettings(storage, *table, options); }
    void FillSets(int count) {
        table->SetKeyCount = count - 1;
        for (int set = 0; set < count; ++set) {
            std::snprintf(table->Names[set], kNameSize, "Game %d", set);
            for (int slot = 0; slot < kSlotCount; ++slot) {
                for (int key = 0; key < kKeysPerSlot; ++key) {
                    table->Keys[set][slot][key] = set * 100 + slot * 2 + key + 1;
                }
            }
        }
    }
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Settings, FirstRunWritesTheDefaultsInOrder) {
    Fixture f;
    EXPECT_EQ(f.Load(), SettingsLoadResult::NoFile);
    EXPECT_EQ(SettingsProblem(), nullptr);
    EXPECT_EQ(f.table->SetKeyCount, 0);
    EXPECT_STREQ(f.table->Names[0], kUntitledName);
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(f.storage.file,
              "[PAMURO]\r\nSETKEYCOUNT=0\r\n"
              "[KEYSETNAME]\r\nKEYSETNAME 0=\x96\xb3\x91\xe8\r\n"
              "[KEYSET]\r\n"
              "KEYSET 0- 0- 0=0\r\nKEYSET 0- 1- 0=0\r\nKEYSET 0- 2- 0=0\r\nKEYSET 0- 3- 0=0\r\n"
              "KEYSET 0- 4- 0=0\r\nKEYSET 0- 5- 0=0\r\nKEYSET 0- 6- 0=0\r\nKEYSET 0- 7- 0=0\r\n"
              "KEYSET 0- 8- 0=0\r\nKEYSET 0- 9- 0=0\r\nKEYSET 0-10- 0=0\r\nKEYSET 0-11- 0=0\r\n"
              "KEYSET 0- 0- 1=0\r\nKEYSET 0- 1- 1=0\r\nKEYSET 0- 2- 1=0\r\nKEYSET 0- 3- 1=0\r\n"
              "KEYSET 0- 4- 1=0\r\nKEYSET 0- 5- 1=0\r\nKEYSET 0- 6- 1=0\r\nKEYSET 0- 7- 1=0\r\n"
              "KEYSET 0- 8- 1=0\r\nKEYSET 0- 9- 1=0\r\nKEYSET 0-10- 1=0\r\nKEYSET 0-11- 1=0\r\n"
              "[SETTING]\r\nSetKeyDownMode=0\r\nSetSleep=0\r\n");
    // The file is read once for the load, and once and replaced once for the save.
    const std::vector<std::string> expected = {std::string("read ") + kPath,
                                               std::string("read ") + kPath,
                                               std::string("replace ") + kPath};
    EXPECT_EQ(f.storage.calls, expected);
}

TEST(Settings, SavedSetsAndOptionsComeBack) {
    Fixture f;
    f.FillSets(80);
    std::strcpy(f.table->Names[7], "\x83\x5c\x95\x5c \x83\x7c");  // ソ表 ポ
    f.table->Keys[3][11][1] = -5;
    f.options.KeyDownMode = 1;
    f.options.SetSleep = 5;
    ASSERT_TRUE(f.Save());

    Fixture g;
    g.storage.exists = true;
    g.storage.file = f.storage.file;
    EXPECT_EQ(g.Load(), SettingsLoadResult::Loaded);
    EXPECT_EQ(g.table->SetKeyCount, 79);
    for (int set = 0; set < kMaxSets; ++set) {
        EXPECT_STREQ(g.table->Names[set], f.table->Names[set]) << set;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int key = 0; key < kKeysPerSlot; ++key) {
                EXPECT_EQ(g.table->Keys[set][slot][key], f.table->Keys[set][slot][key]);
            }
        }
    }
    EXPECT_EQ(g.options.KeyDownMode, 1);
    EXPECT_EQ(g.options.SetSleep, 5);
}

TEST(Settings, DeletingEverySetWritesMinusOneAndNothingElse) {
    Fixture f;
    f.table->SetKeyCount = -1;
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(f.storage.file,
              "[PAMURO]\r\nSETKEYCOUNT=-1\r\n[SETTING]\r\nSetKeyDownMode=0\r\nSetSleep=0\r\n");
    Fixture g;
    g.storage = f.storage;
    g.Load();
    EXPECT_EQ(g.table->SetKeyCount, -1);
    EXPECT_STREQ(g.table->Names[0], "");
}

TEST(Settings, ShrinkingFromFiveSetsToThreeLeavesTheOldEntries) {
    Fixture f;
    f.FillSets(5);
    ASSERT_TRUE(f.Save());
    f.table->SetKeyCount = 2;
    ASSERT_TRUE(f.Save());
    EXPECT_TRUE(Contains(f.storage.file, "SETKEYCOUNT=2\r\n"));
    EXPECT_TRUE(Contains(f.storage.file, "KEYSETNAME 4=Game 4\r\n"));
    EXPECT_TRUE(Contains(f.storage.file, "KEYSET 4-11- 1=424\r\n"));

    Fixture g;
    g.storage = f.storage;
    g.FillSets(5);  // rows above the loaded sets must not keep what they held
    g.Load();
    EXPECT_EQ(g.table->SetKeyCount, 2);
    EXPECT_STREQ(g.table->Names[2], "Game 2");
    EXPECT_STREQ(g.table->Names[3], "");
    EXPECT_EQ(g.table->Keys[3][0][0], 0);
    EXPECT_EQ(g.table->Keys[4][11][1], 0);
}

TEST(Settings, ValuesFromTheFile) {
    struct Case {
        const char* name;
        std::string file;
        int32_t setKeyCount;
        uint8_t keyDownMode;
        uint8_t sleep;
        const char* name0;
    };
    const Case cases[] = {
        {"sleep cut to its low byte", "[SETTING]\r\nSetSleep=300\r\n", 0, 0, 44,
         "\x96\xb3\x91\xe8"},
        {"key-down mode 2 kept", "[SETTING]\r\nSetKeyDownMode=2\r\n", 0, 2, 0, "\x96\xb3\x91\xe8"},
        {"negative mode", "[SETTING]\r\nSetKeyDownMode=-1\r\n", 0, 255, 0, "\x96\xb3\x91\xe8"},
        {"empty name stays empty", "[KEYSETNAME]\r\nKEYSETNAME 0=\r\n", 0, 0, 0, ""},
        {"count above the table", "[PAMURO]\r\nSETKEYCOUNT=200\r\n", 79, 0, 0, "\x96\xb3\x91\xe8"},
        {"count below -1", "[PAMURO]\r\nSETKEYCOUNT=-5\r\n", -1, 0, 0, ""},
        {"count not a number", "[PAMURO]\r\nSETKEYCOUNT=x\r\n", 0, 0, 0, "\x96\xb3\x91\xe8"},
        {"count wrapping to -1", "[PAMURO]\r\nSETKEYCOUNT=4294967295\r\n", -1, 0, 0, ""},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.storage.exists = true;
        f.storage.file = c.file;
        EXPECT_EQ(f.Load(), SettingsLoadResult::Loaded) << c.name;
        EXPECT_EQ(f.table->SetKeyCount, c.setKeyCount) << c.name;
        EXPECT_EQ(f.options.KeyDownMode, c.keyDownMode) << c.name;
        EXPECT_EQ(f.options.SetSleep, c.sleep) << c.name;
        EXPECT_STREQ(f.table->Names[0], c.name0) << c.name;
    }
}

TEST(Settings, OptionsAreWrittenBackAsLoaded) {
    Fixture f;
    f.storage.exists = true;
    f.storage.file = "[SETTING]\r\nSetKeyDownMode=2\r\nSetSleep=300\r\n";
    f.Load();
    ASSERT_TRUE(f.Save());
    EXPECT_TRUE(Contains(f.storage.file, "[SETTING]\r\nSetKeyDownMode=2\r\nSetSleep=44\r\n"));
}

TEST(Settings, AfterAConversionOnlyTheOptionsAreRead) {
    Fixture f;
    f.FillSets(2);
    f.storage.exists = true;
    f.storage.file = "[PAMURO]\r\nSETKEYCOUNT=0\r\n[SETTING]\r\nSetSleep=3\r\n";
    f.Load(true);
    EXPECT_EQ(f.table->SetKeyCount, 1);
    EXPECT_STREQ(f.table->Names[1], "Game 1");
    EXPECT_EQ(f.options.SetSleep, 3);
}

TEST(Settings, AFailedReplaceLeavesTheFileAsItWas) {
    Fixture f;
    f.storage.exists = true;
    f.storage.file = "[PAMURO]\r\nSETKEYCOUNT=0\r\n; mine\r\n";
    f.Load();
    f.FillSets(3);
    f.storage.failReplace = true;
    EXPECT_FALSE(f.Save());
    EXPECT_NE(SettingsProblem(), nullptr);
    EXPECT_EQ(f.storage.file, "[PAMURO]\r\nSETKEYCOUNT=0\r\n; mine\r\n");
}

TEST(Settings, AnUnreadableFileIsNeverOverwrittenWithDefaults) {
    for (FileReadResult failure : {FileReadResult::TooLarge, FileReadResult::Failed}) {
        Fixture f;
        f.storage.exists = true;
        f.storage.file = "[PAMURO]\r\nSETKEYCOUNT=5\r\n";
        f.storage.failRead = failure;
        const SettingsLoadResult loaded = f.Load();
        EXPECT_EQ(loaded, failure == FileReadResult::TooLarge ? SettingsLoadResult::TooLarge
                                                              : SettingsLoadResult::Unreadable);
        EXPECT_NE(SettingsProblem(), nullptr);
        EXPECT_EQ(f.table->SetKeyCount, 0);
        EXPECT_STREQ(f.table->Names[0], kUntitledName);
        // Even if the file can be read by the time the program ends.
        f.storage.failRead = FileReadResult::Read;
        EXPECT_FALSE(f.Save());
        EXPECT_NE(SettingsProblem(), nullptr);
        EXPECT_EQ(f.storage.file, "[PAMURO]\r\nSETKEYCOUNT=5\r\n");
    }
}

TEST(Settings, AFileOverOneMegabyteIsRefusedByItsSize) {
    Fixture f;
    f.storage.exists = true;
    f.storage.file = "[PAMURO]\r\nSETKEYCOUNT=3\r\n" + std::string(kMaxProfileFileBytes, ';');
    EXPECT_EQ(f.Load(), SettingsLoadResult::TooLarge);
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(f.storage.calls.size(), 1u);  // the save did not even read it again
}

TEST(Settings, AUtf16FileStaysUtf16) {
    Fixture f;
    f.storage.exists = true;
    const std::u16string text = u"[KEYSETNAME]\r\nKEYSETNAME 0=\u3042\r\n";
    f.storage.file = "\xFF\xFE";
    for (char16_t unit : text) {
        f.storage.file += static_cast<char>(unit & 0xFF);
        f.storage.file += static_cast<char>(unit >> 8);
    }
    f.Load();
    EXPECT_STREQ(f.table->Names[0], "\x82\xa0");
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(f.storage.file.substr(0, 2 + 2 * text.size()),
              f.storage.file.substr(0, 2) +
                  std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size()));
    EXPECT_EQ(f.storage.file.size() % 2, 0u);

    // A character the code page cannot take back would be lost: no save.
    f.storage.file += std::string("\x00\x4e", 2);  // 一 (U+4E00)
    EXPECT_FALSE(f.Save());
    EXPECT_NE(SettingsProblem(), nullptr);
}

TEST(Settings, NamesEndAtALineBreak) {
    Fixture f;
    std::strcpy(f.table->Names[0], "Game\r\n[PAMURO]\r\nSETKEYCOUNT=79");
    ASSERT_TRUE(f.Save());
    Fixture g;
    g.storage = f.storage;
    g.Load();
    EXPECT_EQ(g.table->SetKeyCount, 0);
    EXPECT_STREQ(g.table->Names[0], "Game");
}

// The stand-alone backend on real files, in a fresh directory.
class PosixStorageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pamuro-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }
    void TearDown() override {
        unlink((directory_ + "/Top.ini").c_str());
        rmdir(directory_.c_str());
    }
    std::string directory_;
};

TEST_F(PosixStorageTest, ReplacesReadsAndRefuses) {
    SettingsStorage& storage = PosixSettingsStorage();
    const std::string path = directory_ + "\\Top.ini";
    char buffer[16];
    size_t size = 0;
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Missing);
    ASSERT_TRUE(storage.ReplaceFile(path.c_str(), "[S]\r\nk=v\r\n", 10));
    ASSERT_TRUE(storage.ReplaceFile(path.c_str(), "0123456789abcdef", 16));
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Read);
    EXPECT_EQ(std::string(buffer, size), "0123456789abcdef");
    EXPECT_EQ(access((directory_ + "/Top.ini.tmp").c_str(), F_OK), -1);
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, 15, &size), FileReadResult::TooLarge);

    const std::string missingDirectory = directory_ + "\\none\\Top.ini";
    EXPECT_FALSE(storage.ReplaceFile(missingDirectory.c_str(), "x", 1));
    EXPECT_EQ(storage.ReadWholeFile(directory_.c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Failed);  // a directory cannot be read as a file
}

TEST_F(PosixStorageTest, ConvertsThroughCodePage932) {
    SettingsStorage& storage = PosixSettingsStorage();
    char ansi[2] = {};
    ASSERT_EQ(storage.ToAnsi(u'\u30bd', ansi), 2);
    EXPECT_EQ(std::string(ansi, 2), "\x83\x5c");
    EXPECT_EQ(storage.ToWide("\x95\x5c", 2), u'\u8868');
    EXPECT_EQ(storage.ToWide("\xb1", 1), u'\uff71');  // half-width ｱ
    EXPECT_EQ(storage.ToAnsi(u'\u00e9', ansi), 0);    // é has no Shift-JIS form
}

}  // namespace
