#include "mapper/model/legacy.h"
#include "mapper/model/model_texts_sjis.h"
#include "mapper/model/startup_data.h"
#include "mapper/platform/standalone/standalone_legacy_platform.h"
#include "tests/support/fake_legacy_platform.h"
#include "tests/support/memory_settings_storage.h"
#include "tests/support/sjis_convert.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

enum class Layout { V10, V12 };

// Documented field positions of the two layouts.
struct LayoutOffsets {
    size_t size, highestIndex, names;
    size_t slotArrays[kFirstReleaseInputCount];  // by InputIndex; 0 when the layout has none
};
const LayoutOffsets kOffsets10 = {
    23044, 0, 4, {21764, 22084, 22404, 22724, 20484, 20804, 21124, 21444, 0, 0, 0, 0}};
const LayoutOffsets kOffsets12 = {
    24341,
    12,
    16,
    {23056, 23376, 23696, 24016, 20496, 20816, 21136, 21456, 21776, 22096, 22416, 22736}};

const LayoutOffsets& OffsetsOf(Layout layout) {
    return layout == Layout::V10 ? kOffsets10 : kOffsets12;
}

// A key code for every (set, slot) that differs from all others and uses all
// four bytes, negative ones included.
int32_t FileKey(int set, int slot) {
    const uint32_t mixed = 0x9E3779B9u * static_cast<uint32_t>(slot * kMaxSets + set + 1);
    int32_t key;
    std::memcpy(&key, &mixed, sizeof key);
    return key;
}

std::string FileName(int set) {
    return "game " + std::to_string(set);
}

void PutInt32LE(std::string& bytes, size_t offset, int32_t value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>(bits >> (8 * i));
    }
}

// A complete legacy file: every one of the 80 entries filled.
std::string MakeLegacyFile(Layout layout, int32_t highestIndex) {
    const LayoutOffsets& at = OffsetsOf(layout);
    std::string bytes(at.size, '\0');
    if (layout == Layout::V12) {
        bytes.replace(0, 12, std::string("Pamuro\0\x01\x02\x03\x04\x05", 12));
        PutInt32LE(bytes, 24336, -7);
        bytes[24340] = '\x7f';
    }
    PutInt32LE(bytes, at.highestIndex, highestIndex);
    for (int set = 0; set < kMaxSets; ++set) {
        const std::string name = FileName(set);
        bytes.replace(at.names + set * kNameSize, name.size(), name);
        for (int slot = 0; slot < kFirstReleaseInputCount; ++slot) {
            if (at.slotArrays[slot] != 0) {
                PutInt32LE(bytes, at.slotArrays[slot] + set * 4, FileKey(set, slot));
            }
        }
    }
    return bytes;
}

const char kMessage10[] = "バージョン1.0のデーターを、バージョン1.3のデーターに自動変換します。";
const char kMessage12[] = "バージョン1.2のデーターを、バージョン1.3のデーターに自動変換します。";
const char kCaption[] = "メッセージ";

// A table whose every field holds a marker, to see what the conversion touched.
std::unique_ptr<KeySetTable> MarkedTable() {
    auto table = std::make_unique<KeySetTable>();
    for (int set = 0; set < kMaxSets; ++set) {
        std::snprintf(table->Names[set], kNameSize, "old %d", set);
        for (auto& slot : table->Keys[set]) {
            for (auto& key : slot) {
                key.store(-1000 - set);
            }
        }
    }
    table->SetKeyCount.store(5);
    table->ActiveSet.store(3);
    return table;
}

void ExpectRowUntouched(const KeySetTable& table, int set) {
    EXPECT_EQ(table.Names[set], "old " + std::to_string(set));
    for (int slot = 0; slot < kInputCount; ++slot) {
        for (int key = 0; key < kKeysPerInput; ++key) {
            ASSERT_EQ(table.Keys[set][slot][key].load(), -1000 - set)
                << "set " << set << " slot " << slot << " key " << key;
        }
    }
}

void ExpectTableUntouched(const KeySetTable& table) {
    EXPECT_EQ(table.SetKeyCount.load(), 5);
    EXPECT_EQ(table.ActiveSet.load(), 3);
    for (int set = 0; set < kMaxSets; ++set) {
        ExpectRowUntouched(table, set);
    }
}

// The key code the conversion must give `slot` of `set`, computed from the
// bytes of `file` present at the documented offsets (missing bytes are 0).
int32_t ExpectedKey(const std::string& file, Layout layout, int set, int slot) {
    if (slot >= kFirstReleaseInputCount) {
        return 0;  // buttons 9 to 16: no legacy release knew them
    }
    const size_t array = OffsetsOf(layout).slotArrays[slot];
    if (array == 0) {
        return 13;  // buttons 5 to 8 of layout 1.0: Enter
    }
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t at = array + set * 4 + i;
        bits |= static_cast<uint32_t>(at < file.size() ? static_cast<uint8_t>(file[at]) : 0)
                << (8 * i);
    }
    int32_t key;
    std::memcpy(&key, &bits, sizeof key);
    return key;
}

void ExpectConvertedSets(const KeySetTable& table, const std::string& file, Layout layout,
                         int highest) {
    ASSERT_EQ(table.SetKeyCount.load(), highest);
    for (int set = 0; set <= highest; ++set) {
        for (int slot = 0; slot < kInputCount; ++slot) {
            ASSERT_EQ(table.Keys[set][slot][0].load(), ExpectedKey(file, layout, set, slot))
                << "set " << set << " slot " << slot;
            ASSERT_EQ(table.Keys[set][slot][1].load(), 0) << "set " << set << " slot " << slot;
        }
    }
    for (int set = highest + 1; set < kMaxSets; ++set) {
        ExpectRowUntouched(table, set);
    }
}

TEST(LegacyConversion, BothLayoutsBoundTheHighestIndexAndFillTheSets) {
    const struct {
        Layout layout;
        int32_t stored;
        int32_t expected;
    } cases[] = {
        {Layout::V10, 4, 4},   {Layout::V10, 0, 2},         {Layout::V10, 200, 79},
        {Layout::V10, -1, 2},  {Layout::V10, INT32_MIN, 2}, {Layout::V10, 1, 1},
        {Layout::V12, 4, 4},   {Layout::V12, 0, 2},         {Layout::V12, 200, 79},
        {Layout::V12, 79, 79}, {Layout::V12, 80, 79},       {Layout::V12, INT32_MAX, 79},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("layout " + std::string(c.layout == Layout::V10 ? "1.0" : "1.2") +
                     ", stored highest index " + std::to_string(c.stored));
        FakeLegacyPlatform platform;
        platform.file = MakeLegacyFile(c.layout, c.stored);
        auto table = MarkedTable();

        EXPECT_TRUE(ConvertLegacyData(*table, platform));
        ExpectConvertedSets(*table, platform.file, c.layout, c.expected);
        for (int set = 0; set <= c.expected; ++set) {
            EXPECT_EQ(table->Names[set], FileName(set));
        }
        EXPECT_EQ(table->ActiveSet.load(), 3) << "start-up, not the conversion, resets it";
        EXPECT_FALSE(platform.deleted) << "only once the sets are saved";
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(SjisToUtf8(platform.messages[0].text),
                  c.layout == Layout::V10 ? kMessage10 : kMessage12);
    }
}

TEST(LegacyConversion, AnnouncesBeforeReadingTheSets) {
    FakeLegacyPlatform platform;
    platform.file = MakeLegacyFile(Layout::V12, 3);
    auto table = MarkedTable();
    ASSERT_TRUE(ConvertLegacyData(*table, platform));

    const std::vector<std::string> expected = {
        "dir", "open C:\\WINDOWS\\Tolvin.dat", "read 7", "message", "read 24334", "close",
    };
    EXPECT_EQ(platform.calls, expected);
    ASSERT_EQ(platform.messages.size(), 1u);
    const auto& message = platform.messages[0];
    EXPECT_EQ(SjisToUtf8(message.text), kMessage12);
    ASSERT_TRUE(message.hasCaption);
    EXPECT_EQ(SjisToUtf8(message.caption), kCaption);
    EXPECT_FALSE(message.information);
}

TEST(LegacyConversion, OnlyTheSixLettersAndAZeroByteMarkLayout12) {
    const struct {
        std::string head;
        bool layout12;
    } cases[] = {
        {std::string("Pamuro\0", 7), true},
        {std::string("Pamuro\x01", 7), false},
        {"Pamuro ", false},
        {std::string("pamuro\0", 7), false},
        {std::string("PAMURO\0", 7), false},
        {std::string("Pamur\0\0", 7), false},
        {std::string("\0amuro\0", 7), false},
        {std::string("XPamuro", 7), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("head \"" + c.head + "\"");
        FakeLegacyPlatform platform;
        platform.file = MakeLegacyFile(Layout::V12, 4);
        platform.file.replace(0, 7, c.head);
        auto table = MarkedTable();
        ASSERT_TRUE(ConvertLegacyData(*table, platform));
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(SjisToUtf8(platform.messages[0].text), c.layout12 ? kMessage12 : kMessage10);
        // Read as 1.0, the head's first four bytes are the highest index.
        int32_t stored;
        std::memcpy(&stored, c.head.data(), 4);
        const int32_t highest = c.layout12 ? 4 : std::clamp(stored < 1 ? 2 : stored, 2, 79);
        ExpectConvertedSets(*table, platform.file, c.layout12 ? Layout::V12 : Layout::V10, highest);
    }
}

TEST(LegacyConversion, NamesAreCopiedUpToTheirZeroByteAndCutAt255) {
    const std::string a = Sjis("あ");
    const struct {
        std::string field;  // the name field's leading bytes; the rest is zero
        std::string expected;
    } cases[] = {
        {"", ""},
        {Sjis("無題"), Sjis("無題")},
        {std::string("ab\0cd", 5), "ab"},
        {std::string(255, 'n'), std::string(255, 'n')},
        // No zero byte in the field: 255 bytes at most, and never half a character.
        {std::string(256, 'x'), std::string(255, 'x')},
        {std::string(254, 'x') + a, std::string(254, 'x')},
        {std::string(253, 'x') + a + "y", std::string(253, 'x') + a},
        {std::string(252, 'x') + a + a, std::string(252, 'x') + a},
        {std::string(253, 'x') + a + std::string(1, '\0'), std::string(253, 'x') + a},
    };
    for (Layout layout : {Layout::V10, Layout::V12}) {
        FakeLegacyPlatform platform;
        platform.file = MakeLegacyFile(layout, 9);
        const size_t names = OffsetsOf(layout).names;
        for (size_t i = 0; i < std::size(cases); ++i) {
            platform.file.replace(names + i * kNameSize, kNameSize, std::string(kNameSize, '\0'));
            platform.file.replace(names + i * kNameSize, cases[i].field.size(), cases[i].field);
        }
        auto table = MarkedTable();
        ASSERT_TRUE(ConvertLegacyData(*table, platform));
        for (size_t i = 0; i < std::size(cases); ++i) {
            EXPECT_EQ(table->Names[i], cases[i].expected) << "name " << i;
        }
    }
}

TEST(LegacyConversion, ShortAndLongFilesReadMissingBytesAsZero) {
    const std::string full10 = MakeLegacyFile(Layout::V10, 6);
    const std::string full12 = MakeLegacyFile(Layout::V12, 6);
    const struct {
        const char* what;
        std::string file;
        Layout layout;
        int32_t highest;
    } cases[] = {
        {"one byte", "\x05", Layout::V10, 5},
        {"three bytes", "\x05\x01\x00", Layout::V10, 79},
        {"the signature alone", std::string("Pamuro\0", 7), Layout::V12, 2},
        {"six letters, the zero byte missing", "Pamuro", Layout::V12, 2},
        {"1.0 cut inside the first key", full10.substr(0, 20486), Layout::V10, 6},
        {"half of 1.0", full10.substr(0, full10.size() / 2), Layout::V10, 6},
        {"half of 1.2", full12.substr(0, full12.size() / 2), Layout::V12, 6},
        {"1.2 cut inside the last array", full12.substr(0, 24030), Layout::V12, 6},
        {"1.0 with bytes after its end", full10 + std::string(3000, '\x55'), Layout::V10, 6},
        {"1.2 with bytes after its end", full12 + std::string(3000, '\x55'), Layout::V12, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeLegacyPlatform platform;
        platform.file = c.file;
        platform.readChunk = 1000;  // the system may hand the file over in pieces
        auto table = MarkedTable();
        ASSERT_TRUE(ConvertLegacyData(*table, platform));
        ExpectConvertedSets(*table, c.file, c.layout, c.highest);
        EXPECT_EQ(SjisToUtf8(platform.messages.at(0).text),
                  c.layout == Layout::V10 ? kMessage10 : kMessage12);
    }
}

TEST(LegacyConversion, NothingToConvertShowsNothingAndChangesNothing) {
    const struct {
        const char* what;
        void (*arrange)(FakeLegacyPlatform&);
        bool opened;
    } cases[] = {
        {"no file", [](FakeLegacyPlatform& p) { p.fileExists = false; }, false},
        {"no Windows directory", [](FakeLegacyPlatform& p) { p.windowsDirectory = ""; }, false},
        {"Windows directory too long for the path",
         [](FakeLegacyPlatform& p) { p.windowsDirectory = std::string(250, 'w'); }, false},
        {"empty file", [](FakeLegacyPlatform& p) { p.file.clear(); }, true},
        {"read error at the signature", [](FakeLegacyPlatform& p) { p.failingRead = 1; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeLegacyPlatform platform;
        platform.file = MakeLegacyFile(Layout::V12, 4);
        c.arrange(platform);
        auto table = MarkedTable();
        EXPECT_FALSE(ConvertLegacyData(*table, platform));
        ExpectTableUntouched(*table);
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_FALSE(platform.deleted);
        EXPECT_FALSE(platform.open);
        const bool opened = std::any_of(platform.calls.begin(), platform.calls.end(),
                                        [](const std::string& call) { return call == "close"; });
        EXPECT_EQ(opened, c.opened);
    }
}

TEST(LegacyConversion, AReadErrorAfterTheAnnouncementKeepsTheFileAndTheTable) {
    FakeLegacyPlatform platform;
    platform.file = MakeLegacyFile(Layout::V10, 4);
    platform.readChunk = 5000;
    platform.failingRead = 4;
    auto table = MarkedTable();
    EXPECT_FALSE(ConvertLegacyData(*table, platform));
    ExpectTableUntouched(*table);
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_FALSE(platform.deleted);
    EXPECT_EQ(platform.calls.back(), "close");
}

TEST(LegacyConversion, AFailedDeletionShowsTheSystemText) {
    const struct {
        bool hasErrorText;
        std::string shown;
    } cases[] = {{true, "Access is denied.\r\n"}, {false, "5"}};
    for (const auto& c : cases) {
        FakeLegacyPlatform platform;
        platform.deleteError = 5;
        platform.hasErrorText = c.hasErrorText;
        DeleteLegacyData(platform);
        ASSERT_EQ(platform.messages.size(), 1u);
        const auto& failure = platform.messages[0];
        EXPECT_EQ(failure.text, c.shown);
        EXPECT_FALSE(failure.hasCaption) << "the system's default caption";
        EXPECT_TRUE(failure.information);
        const std::vector<std::string> expected = {"dir",         "open C:\\WINDOWS\\Tolvin.dat",
                                                   "close",       "delete C:\\WINDOWS\\Tolvin.dat",
                                                   "errortext 5", "message"};
        EXPECT_EQ(platform.calls, expected);
    }
}

// The file that Windows' virtualization kept for the old release is found,
// named in the notice, converted and deleted there.
TEST(LegacyConversion, AVirtualStoreCopyIsConvertedAndDeletedThere) {
    const std::string kept = "C:\\Users\\p\\AppData\\Local\\VirtualStore\\WINDOWS\\Tolvin.dat";
    FakeLegacyPlatform platform;
    platform.file = MakeLegacyFile(Layout::V12, 4);
    platform.onlyAt = kept;
    auto table = MarkedTable();
    ASSERT_TRUE(ConvertLegacyData(*table, platform));
    EXPECT_EQ(table->SetKeyCount.load(), 4);
    ASSERT_FALSE(platform.messages.empty());
    EXPECT_NE(platform.messages[0].text.find(kept), std::string::npos);
    DeleteLegacyData(platform);
    EXPECT_EQ(platform.calls.back(), "delete " + kept);
    EXPECT_TRUE(platform.deleted);
}

// Start-up: the converted sets go to Top.ini at once, and Tolvin.dat goes
// only when they are there. Whatever keeps them out of Top.ini keeps the
// file, and the user is told why and what happens next.
TEST(StartupData, TheLegacyFileGoesOnlyOnceItsSetsAreSaved) {
    const std::string kept = std::string("\r\n") + kLegacyKeptText;
    const struct {
        const char* what;
        void (*arrange)(MemorySettingsStorage&, FakeLegacyPlatform&);
        bool saved;
        std::string message;
    } cases[] = {
        {"no Top.ini yet", [](MemorySettingsStorage&, FakeLegacyPlatform&) {}, true, ""},
        {"a UTF-16 Top.ini",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) {
             s.exists = true;
             s.file = Utf16File(u"[SETTING]\r\nSetSleep=4\r\n");
         },
         true, ""},
        {"Top.ini cannot be read",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) { s.failRead = FileReadResult::Failed; },
         false, kUnreadableConvertedText + kept},
        {"Top.ini is over the limit",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) {
             s.failRead = FileReadResult::TooLarge;
         },
         false, kTooLargeConvertedText + kept},
        {"the folder cannot be written",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) { s.failReplace = true; }, false,
         kSaveFailedText + kept},
        {"the sets would take Top.ini over the limit",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) {
             s.exists = true;
             s.file = ";" + std::string(kMaxProfileFileBytes - 1000, 'x') + "\r\n";
         },
         false, kSaveTooLargeText + kept},
        {"a UTF-16 Top.ini cannot hold a name",
         [](MemorySettingsStorage& s, FakeLegacyPlatform& p) {
             s.exists = true;
             s.file = Utf16File(u"[SETTING]\r\nSetSleep=4\r\n");
             p.file.replace(OffsetsOf(Layout::V12).names, 2,
                            "\x88\xea");  // 一: no UTF-16 form here
         },
         false, kUnconvertibleText + kept},
        {"a UTF-16 Top.ini with a character it cannot read back",
         [](MemorySettingsStorage& s, FakeLegacyPlatform&) {
             s.exists = true;
             s.file = Utf16File(u"[SETTING]\r\nSetSleep=4\r\n;\u4e00\r\n");
         },
         false, kUnconvertibleAtStartText + kept},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStorage storage;
        FakeLegacyPlatform legacy;
        legacy.file = MakeLegacyFile(Layout::V12, 4);
        c.arrange(storage, legacy);
        const std::string before = storage.file;
        auto settings = std::make_unique<SettingsState>();
        auto table = MarkedTable();
        MapperOptions options;

        const char* message = LoadStartupData(*settings, storage, legacy, *table, options);
        EXPECT_EQ(message != nullptr ? std::string(message) : "", c.message);
        EXPECT_EQ(table->SetKeyCount.load(), 4) << "the converted sets, saved or not";
        EXPECT_EQ(table->Names[1], FileName(1));
        EXPECT_EQ(legacy.deleted, c.saved);
        if (c.saved) {
            auto next = std::make_unique<SettingsState>();
            auto reloaded = MarkedTable();
            LoadSettings(*next, false, storage, *reloaded, options);
            EXPECT_EQ(reloaded->SetKeyCount.load(), 4);
            EXPECT_EQ(reloaded->Names[4], FileName(4));
        } else {
            EXPECT_EQ(storage.file, before) << "Top.ini stays as it was";
            // The next start converts the file again.
            auto again = MarkedTable();
            EXPECT_TRUE(ConvertLegacyData(*again, legacy));
        }
    }
}

// A Tolvin.dat that cannot be deleted is converted once: Top.ini notes its
// size and time, and a later start with that same file reads Top.ini's sets
// (edited since) without a word. Another file is converted as before.
TEST(StartupData, AnUndeletableLegacyFileIsConvertedOnce) {
    const struct {
        const char* what;
        void (*change)(FakeLegacyPlatform&);
        bool convertedAgain;
    } cases[] = {
        {"the same file", [](FakeLegacyPlatform&) {}, false},
        {"written since", [](FakeLegacyPlatform& p) { ++p.writeTime; }, true},
        {"another size", [](FakeLegacyPlatform& p) { p.file.push_back('\0'); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStorage storage;
        FakeLegacyPlatform legacy;
        legacy.file = MakeLegacyFile(Layout::V12, 4);
        legacy.deleteError = 5;
        auto first = std::make_unique<SettingsState>();
        auto table = MarkedTable();
        MapperOptions options;
        EXPECT_EQ(LoadStartupData(*first, storage, legacy, *table, options), nullptr);
        EXPECT_EQ(legacy.messages.size(), 2u) << "the notice and the failed deletion";
        EXPECT_NE(storage.file.find("LEGACYDONE=24341,01DA000000000001\r\n"), std::string::npos);
        std::snprintf(table->Names[1], kNameSize, "edited");
        ASSERT_TRUE(SaveSettings(*first, storage, *table, options));

        c.change(legacy);
        legacy.messages.clear();
        auto next = std::make_unique<SettingsState>();
        auto reloaded = MarkedTable();
        EXPECT_EQ(LoadStartupData(*next, storage, legacy, *reloaded, options), nullptr);
        EXPECT_EQ(reloaded->Names[1], c.convertedAgain ? FileName(1) : std::string("edited"));
        EXPECT_EQ(legacy.messages.size(), c.convertedAgain ? 2u : 0u);
    }
}

TEST(StartupData, WithoutALegacyFileTopIniAloneIsRead) {
    MemorySettingsStorage storage;
    storage.exists = true;
    storage.file = "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=mine\r\n";
    FakeLegacyPlatform legacy;
    legacy.fileExists = false;
    auto settings = std::make_unique<SettingsState>();
    auto table = MarkedTable();
    MapperOptions options;
    EXPECT_EQ(LoadStartupData(*settings, storage, legacy, *table, options), nullptr);
    EXPECT_EQ(table->SetKeyCount.load(), 1);
    EXPECT_STREQ(table->Names[1], "mine");
    // Nothing written at start; the folder is tried with a file of its own.
    const std::vector<std::string> reads = {"cwd", "read C:\\Games\\\xed\x91\x9c\\Top.ini",
                                            "folder? C:\\Games\\\xed\x91\x9c"};
    EXPECT_EQ(storage.calls, reads);

    storage.file = Utf16File(u"[PAMURO]\r\nSETKEYCOUNT=0\r\n;\u4e00\r\n");
    EXPECT_STREQ(LoadStartupData(*settings, storage, legacy, *table, options),
                 kUnconvertibleAtStartText);

    // A folder that takes no new file is named at start, after what else is told.
    storage.folderTakesFiles = false;
    char refused[1024];
    std::snprintf(refused, sizeof refused, kFolderRefusesFormat, "C:\\Games\\?");
    EXPECT_EQ(std::string(LoadStartupData(*settings, storage, legacy, *table, options)),
              kUnconvertibleAtStartText + std::string("\r\n\r\n") + refused);
}

}  // namespace

// The stand-alone backend, end to end in a scratch folder.
class StandaloneLegacyConversion : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pamuro-legacy-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        path_ = directory_ + "/Tolvin.dat";
        platform_ = std::make_unique<StandaloneLegacyPlatformBackend>(directory_);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        rmdir(path_.c_str());
        rmdir(directory_.c_str());
    }
    void WriteFile(const std::string& bytes) {
        FILE* out = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        std::fclose(out);
    }
    bool FileExists() const { return access(path_.c_str(), F_OK) == 0; }

    std::string directory_, path_;
    // Looks for Tolvin.dat in the test's own folder.
    std::unique_ptr<StandaloneLegacyPlatformBackend> platform_;
};

TEST_F(StandaloneLegacyConversion, ConvertsAndDeletesTheFile) {
    const std::string file = MakeLegacyFile(Layout::V10, 0);
    WriteFile(file);
    auto table = MarkedTable();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ConvertLegacyData(*table, *platform_));
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, std::string(kCaption) + ": " + kMessage10 + "\n");
    ExpectConvertedSets(*table, file, Layout::V10, 2);
    EXPECT_TRUE(FileExists());
    DeleteLegacyData(*platform_);
    EXPECT_FALSE(FileExists());

    // Once the file is gone there is nothing more to convert.
    auto untouched = MarkedTable();
    EXPECT_FALSE(ConvertLegacyData(*untouched, *platform_));
    ExpectTableUntouched(*untouched);
}

TEST_F(StandaloneLegacyConversion, AFolderNamedTolvinDatIsNotConverted) {
    ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);
    auto table = MarkedTable();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ConvertLegacyData(*table, *platform_));
    testing::internal::GetCapturedStderr();
    ExpectTableUntouched(*table);
    EXPECT_TRUE(FileExists());
}
