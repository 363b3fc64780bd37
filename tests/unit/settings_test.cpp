#include "mapper/model/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mapper/model/file_retry.h"
#include "mapper/model/kept_copy.h"
#include "mapper/model/save_soon.h"
#include "mapper/model/settings_storage.h"
#include "mapper/model/model_texts_sjis.h"
#include "mapper/platform/standalone/standalone_settings_storage.h"
#include "tests/support/memory_settings_storage.h"

namespace {

const char kPath[] = "C:\\Games\\\xed\x91\x9c\\Top.ini";  // the folder 표 in UTF-8

struct Fixture {
    MemorySettingsStorage storage;
    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<KeySetTable> table = std::make_unique<KeySetTable>();
    MapperOptions options;

    Fixture() {
        ClearKeySetTable(*table);
        options.KeyDownMode = 0;
        options.SetSleep = 0;
        FetchStartupDirectory(*state, storage);
        storage.calls.clear();
    }
    SettingsLoadResult Load(bool converted = false) {
        return LoadSettings(*state, converted, storage, *table, options);
    }
    bool Save() { return SaveSettings(*state, storage, *table, options); }
    const char* Problem() const { return SettingsProblem(*state); }
    void FillSets(int count) {
        table->SetKeyCount = count - 1;
        for (int set = 0; set < count; ++set) {
            std::snprintf(table->Names[set], kNameSize, "Game %d", set);
            for (int slot = 0; slot < kInputCount; ++slot) {
                for (int key = 0; key < kKeysPerInput; ++key) {
                    table->Keys[set][slot][key] = set * 100 + slot * 2 + key + 1;
                }
                table->RapidFire[set][slot] = static_cast<uint8_t>((set + slot) % 30 + 1);
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
    EXPECT_EQ(f.Problem(), nullptr);
    EXPECT_EQ(f.table->SetKeyCount, 0);
    EXPECT_STREQ(f.table->Names[0], kUntitledName);
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(f.storage.file,
              "[PAMURO]\r\nSETKEYCOUNT=0\r\n"
              "[KEYSETNAME]\r\nKEYSETNAME 0=" +
                  std::string(kUntitledName) +
                  "\r\n"
                  "[KEYSET]\r\n"
                  "KEYSET 0- 0- 0=0\r\nKEYSET 0- 1- 0=0\r\nKEYSET 0- 2- 0=0\r\nKEYSET 0- 3- 0=0\r\n"
                  "KEYSET 0- 4- 0=0\r\nKEYSET 0- 5- 0=0\r\nKEYSET 0- 6- 0=0\r\nKEYSET 0- 7- 0=0\r\n"
                  "KEYSET 0- 8- 0=0\r\nKEYSET 0- 9- 0=0\r\nKEYSET 0-10- 0=0\r\nKEYSET 0-11- 0=0\r\n"
                  "KEYSET 0- 0- 1=0\r\nKEYSET 0- 1- 1=0\r\nKEYSET 0- 2- 1=0\r\nKEYSET 0- 3- 1=0\r\n"
                  "KEYSET 0- 4- 1=0\r\nKEYSET 0- 5- 1=0\r\nKEYSET 0- 6- 1=0\r\nKEYSET 0- 7- 1=0\r\n"
                  "KEYSET 0- 8- 1=0\r\nKEYSET 0- 9- 1=0\r\nKEYSET 0-10- 1=0\r\nKEYSET 0-11- 1=0\r\n"
                  "[SETTING]\r\nSetKeyDownMode=0\r\nSetSleep=0\r\n");
    // The file is read once for the load (and looked for where Windows'
    // virtualization would have kept it), and once and replaced once for the save.
    const std::vector<std::string> expected = {std::string("read ") + kPath,
                                               "read C:\\Users\\p\\AppData\\Local\\VirtualStore"
                                               "\\Games\\\xed\x91\x9c\\Top.ini",
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
        for (int slot = 0; slot < kInputCount; ++slot) {
            for (int key = 0; key < kKeysPerInput; ++key) {
                EXPECT_EQ(g.table->Keys[set][slot][key], f.table->Keys[set][slot][key]);
            }
            EXPECT_EQ(g.table->RapidFire[set][slot], f.table->RapidFire[set][slot]);
        }
    }
    EXPECT_EQ(g.options.KeyDownMode, 1);
    EXPECT_EQ(g.options.SetSleep, 5);
}

// Top.ini of one set as the releases before buttons 9 to 16 wrote it, every
// key bound, with `extraKeys` at the end of its key section and
// `extraSettings` at the end of the file.
std::string OldLayoutFile(const std::string& extraKeys, const std::string& extraSettings = "") {
    std::string text =
        "[PAMURO]\r\nSETKEYCOUNT=0\r\n[KEYSETNAME]\r\nKEYSETNAME 0=Game\r\n[KEYSET]\r\n";
    char line[32];
    for (int key = 0; key < 2; ++key) {
        for (int slot = 0; slot < 12; ++slot) {
            std::snprintf(line, sizeof line, "KEYSET 0-%2d- %d=%d\r\n", slot, key, 65 + slot + key);
            text += line;
        }
    }
    return text + extraKeys + "[SETTING]\r\nSetKeyDownMode=1\r\nSetSleep=0\r\n" + extraSettings;
}

// Buttons 9 to 16, the right stick, rapid fire, the shortest press and
// actions reach the file only when used or already there (a cleared action
// as an empty value), so a player who never uses them keeps the file byte for
// byte; rates and the shortest press are kept within their ranges, and an
// action the file names wrongly is no action.
TEST(Settings, LaterEntriesAreWrittenWhenUsedOrAlreadyThere) {
    struct Case {
        const char* name;
        std::string before;
        std::function<void(KeySetTable&, MapperOptions&)> change;  // between load and save
        std::string after;
    };
    const auto nothing = [](KeySetTable&, MapperOptions&) {};
    const std::string rates = "[TURBO]\r\nTURBO 0- 4=10\r\nTURBO 0-23=30\r\n";
    const Case cases[] = {
        {"nothing used", OldLayoutFile(""), nothing, OldLayoutFile("")},
        {"button 12 bound", OldLayoutFile(""),
         [](KeySetTable& t, MapperOptions&) { t.Keys[0][15][0] = 27; },
         OldLayoutFile("KEYSET 0-15- 0=27\r\n")},
        {"button 12 unbound", OldLayoutFile("KEYSET 0-15- 0=27\r\n"),
         [](KeySetTable& t, MapperOptions&) { t.Keys[0][15][0] = 0; },
         OldLayoutFile("KEYSET 0-15- 0=0\r\n")},
        {"right stick bound", OldLayoutFile(""),
         [](KeySetTable& t, MapperOptions&) { t.Keys[0][InputRightLeft][1] = 74; },
         OldLayoutFile("KEYSET 0-22- 1=74\r\n")},
        {"rapid fire and shortest press used", OldLayoutFile(""),
         [](KeySetTable& t, MapperOptions& o) {
             t.RapidFire[0][InputButton1] = 10;
             t.RapidFire[0][InputRightRight] = 30;
             o.MinPressMs = 20;
         },
         OldLayoutFile("", "MinPressMs=20\r\n" + rates)},
        {"both back to 0", OldLayoutFile("", "MinPressMs=20\r\n" + rates),
         [](KeySetTable& t, MapperOptions& o) {
             t.RapidFire[0][InputButton1] = 0;
             t.RapidFire[0][InputRightRight] = 0;
             o.MinPressMs = 0;
         },
         OldLayoutFile("", "MinPressMs=0\r\n[TURBO]\r\nTURBO 0- 4=0\r\nTURBO 0-23=0\r\n")},
        {"out of range",
         OldLayoutFile("", "MinPressMs=250\r\n[TURBO]\r\nTURBO 0- 4=45\r\nTURBO 0- 5=-3\r\n"),
         nothing,
         OldLayoutFile("", "MinPressMs=100\r\n[TURBO]\r\nTURBO 0- 4=30\r\nTURBO 0- 5=0\r\n")},
        {"actions set", OldLayoutFile(""),
         [](KeySetTable& t, MapperOptions&) {
             t.Actions[0][InputButton1] = HoldAction(12);
             t.Actions[0][InputButton1 + 1] = ActionPause;
         },
         OldLayoutFile("", "[ACTION]\r\nACTION 0- 4=HOLD 12\r\nACTION 0- 5=PAUSE\r\n")},
        {"an action cleared, one kept",
         OldLayoutFile("", "[ACTION]\r\nACTION 0- 4=NEXT\r\nACTION 0- 5=NEXT\r\n"),
         [](KeySetTable& t, MapperOptions&) { t.Actions[0][InputButton1] = ActionNone; },
         OldLayoutFile("", "[ACTION]\r\nACTION 0- 4=\r\nACTION 0- 5=NEXT\r\n")},
        {"actions read back, unknown ones emptied",
         OldLayoutFile("",
                       "[ACTION]\r\nACTION 0- 4=PREV\r\nACTION 0- 5=HOLD 79\r\n"
                       "ACTION 0- 6=HOLD 80\r\nACTION 0- 7=pause\r\n"),
         nothing,
         OldLayoutFile("",
                       "[ACTION]\r\nACTION 0- 4=PREV\r\nACTION 0- 5=HOLD 79\r\n"
                       "ACTION 0- 6=\r\nACTION 0- 7=\r\n")},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.storage.exists = true;
        f.storage.file = c.before;
        ASSERT_EQ(f.Load(), SettingsLoadResult::Loaded) << c.name;
        EXPECT_EQ(f.table->Keys[0][11][1], 77) << c.name;
        c.change(*f.table, f.options);
        ASSERT_TRUE(f.Save()) << c.name;
        EXPECT_EQ(f.storage.file, c.after) << c.name;
    }
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
        {"sleep cut to its low byte", "[SETTING]\r\nSetSleep=300\r\n", 0, 0, 44, kUntitledName},
        {"key-down mode 2 kept", "[SETTING]\r\nSetKeyDownMode=2\r\n", 0, 2, 0, kUntitledName},
        {"negative mode", "[SETTING]\r\nSetKeyDownMode=-1\r\n", 0, 255, 0, kUntitledName},
        {"empty name stays empty", "[KEYSETNAME]\r\nKEYSETNAME 0=\r\n", 0, 0, 0, ""},
        {"count above the table", "[PAMURO]\r\nSETKEYCOUNT=200\r\n", 79, 0, 0, kUntitledName},
        {"count below -1", "[PAMURO]\r\nSETKEYCOUNT=-5\r\n", -1, 0, 0, ""},
        {"count not a number", "[PAMURO]\r\nSETKEYCOUNT=x\r\n", 0, 0, 0, kUntitledName},
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
    EXPECT_NE(f.Problem(), nullptr);
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
        EXPECT_NE(f.Problem(), nullptr);
        EXPECT_EQ(f.table->SetKeyCount, 0);
        EXPECT_STREQ(f.table->Names[0], kUntitledName);
        // Even if the file can be read by the time the program ends.
        f.storage.failRead = FileReadResult::Read;
        EXPECT_FALSE(f.Save());
        EXPECT_NE(f.Problem(), nullptr);
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
    f.storage.file = Utf16File(text);
    f.Load();
    EXPECT_EQ(f.Problem(), nullptr);
    EXPECT_STREQ(f.table->Names[0], "\x82\xa0");
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(f.storage.file.substr(0, 2 + 2 * text.size()), Utf16File(text));
    EXPECT_EQ(f.storage.file.size() % 2, 0u);
}

TEST(Settings, AUtf16FileThatCannotBeSavedIsToldAtStart) {
    Fixture f;
    f.storage.exists = true;
    // 一 (U+4E00) is unknown to the code page: saving would lose it.
    f.storage.file = Utf16File(u"[KEYSETNAME]\r\nKEYSETNAME 0=\u4e00\r\n");
    const std::string before = f.storage.file;
    EXPECT_EQ(f.Load(), SettingsLoadResult::Loaded);
    EXPECT_STREQ(f.Problem(), kUnconvertibleAtStartText);
    EXPECT_FALSE(f.Save());
    EXPECT_STREQ(f.Problem(), kUnconvertibleText);
    EXPECT_EQ(f.storage.file, before);
}

// What a save leaves must load at the next start: a save that would make
// Top.ini longer than the load takes is refused, and the old file stays.
TEST(Settings, ASaveNeverWritesAFileTheNextStartRefuses) {
    Fixture empty;
    empty.FillSets(3);
    ASSERT_TRUE(empty.Save());
    const size_t added = empty.storage.file.size();  // what the save adds after a comment line
    const struct {
        const char* name;
        bool utf16;
        size_t over;  // bytes by which the saved file would exceed the limit
    } cases[] = {
        {"exactly the limit", false, 0},
        {"one byte over", false, 1},
        {"UTF-16, exactly the limit", true, 0},
        {"UTF-16, two bytes over", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A comment line that leaves room for exactly what the save adds.
        const size_t target = kMaxProfileFileBytes + c.over;
        const size_t textLength = c.utf16 ? (target - 2) / 2 : target;
        const std::string comment = ";" + std::string(textLength - added - 3, 'x') + "\r\n";
        Fixture f;
        f.FillSets(3);
        f.storage.exists = true;
        f.storage.file =
            c.utf16 ? Utf16File(std::u16string(comment.begin(), comment.end())) : comment;
        const std::string before = f.storage.file;
        ASSERT_EQ(f.Load(true), SettingsLoadResult::Loaded);
        if (c.over == 0) {
            ASSERT_TRUE(f.Save());
            EXPECT_EQ(f.storage.file.size(), kMaxProfileFileBytes);
            Fixture g;
            g.storage = f.storage;
            EXPECT_EQ(g.Load(), SettingsLoadResult::Loaded);
            EXPECT_EQ(g.table->SetKeyCount, 2);
            EXPECT_STREQ(g.table->Names[2], "Game 2");
        } else {
            EXPECT_FALSE(f.Save());
            EXPECT_STREQ(f.Problem(), kSaveTooLargeText);
            EXPECT_EQ(f.storage.file, before);
        }
    }
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

// A Top.ini that was absent at start belongs to whoever made it since; the
// one this run wrote is its own. A timed save that fails is tried again ever
// later and tells each kind of failure once until a save works.
TEST(Settings, SaveStateRules) {
    const std::string made = "[PAMURO]\r\nSETKEYCOUNT=3\r\n";
    const struct {
        const char* what;
        bool savedFirst;     // a save of this run came before the file appeared
        const char* result;  // nullptr: written; else the start of the message
    } cases[] = {
        {"absent at start, then made by another", false, "C:\\Games\\?\\Top.ini "},
        {"made by this run's own save, then changed", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.Load();
        if (c.savedFirst) {
            ASSERT_TRUE(f.Save());
        }
        f.storage.exists = true;
        f.storage.file = made;
        EXPECT_EQ(f.Save(), c.result == nullptr);
        if (c.result != nullptr) {
            EXPECT_EQ(std::string(f.Problem()), c.result + std::string(kMadeSinceStartFormat + 3));
            EXPECT_EQ(f.storage.file, made);
        } else {
            EXPECT_NE(f.storage.file, made);
        }
    }

    Fixture f;
    f.Load();
    f.storage.calls.clear();
    SaveSoonState soon{};
    EXPECT_EQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), nullptr);
    EXPECT_TRUE(f.storage.calls.empty()) << "no change, no save";
    f.storage.failReplace = true;
    EXPECT_EQ(NoteChange(soon), kSaveSoonDelayMs);
    EXPECT_STREQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), kSaveFailedText);
    NoteChange(soon);
    EXPECT_EQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), nullptr)
        << "told once until a save works";
    EXPECT_EQ(f.storage.calls.back(), std::string("replace ") + kPath) << "but tried again";
    // Still failing, the change stays pending and is tried again ever later.
    EXPECT_EQ(soon.retryDelayMs, 2 * kSaveRetryFirstMs);
    for (uint32_t delay : {8000u, 16000u, 32000u, 60000u, 60000u}) {
        EXPECT_EQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), nullptr);
        EXPECT_TRUE(soon.pending);
        EXPECT_EQ(soon.retryDelayMs, delay);
    }
    f.storage.failReplace = false;
    EXPECT_EQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), nullptr);
    EXPECT_FALSE(soon.pending);
    EXPECT_EQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), nullptr);
    EXPECT_EQ(f.storage.replacements, 1) << "nothing pending after the good save";
    f.storage.failReplace = true;
    NoteChange(soon);
    EXPECT_STREQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), kSaveFailedText)
        << "told again after a good save";
    EXPECT_EQ(soon.retryDelayMs, kSaveRetryFirstMs);

    f.storage.failRead = FileReadResult::Failed;  // another kind of failure is told
    NoteChange(soon);
    EXPECT_STREQ(SaveSoonDue(soon, *f.state, f.storage, *f.table, f.options), kNotSavedUnreadText);
    EXPECT_FALSE(f.Save()) << "the exit still reports every time";
    EXPECT_NE(f.Problem(), nullptr);
}

// A copy that a failed save kept is loaded when newer than Top.ini (any,
// without Top.ini); older ones are leftovers. A flush the file system cannot
// do counts as done.
TEST(Settings, StorageFailures) {
    const struct {
        std::vector<int> times;  // of Top.~0, Top.~1, ...; -1: none
        bool topIni;             // there, written at time 4
        int chosen;
        std::vector<int> stale;
    } choices[] = {
        {{-1, 5, 9, 3}, true, 2, {3}},
        {{7, 2}, false, 0, {}},
        {{4, 1}, true, -1, {0, 1}},  // as old as Top.ini is old enough
        {{}, true, -1, {}},
    };
    for (const auto& c : choices) {
        KeptCopies copies{};
        for (size_t n = 0; n < c.times.size(); ++n) {
            copies.there[n] = c.times[n] >= 0;
            copies.time[n] = static_cast<uint64_t>(c.times[n]);
        }
        EXPECT_EQ(ChooseKeptCopy(copies, c.topIni, 4), c.chosen) << "row " << (&c - choices);
        std::vector<int> stale;
        for (int n = 0; n < kTemporaryNames; ++n) {
            if (IsStaleCopy(copies, n, c.topIni, 4)) {
                stale.push_back(n);
            }
        }
        EXPECT_EQ(stale, c.stale) << "row " << (&c - choices);
    }
    for (uint32_t error : {1u, 50u}) {  // ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED
        EXPECT_TRUE(FlushCountsAsDone(error)) << error;
    }
    // A file another program holds for a moment is tried again, about a second.
    const struct {
        std::vector<uint32_t> errors;  // of each try, 0 when it worked; the last repeats
        uint32_t result;
        int tries;
    } retries[] = {
        {{kErrorSharingViolation, kErrorLockViolation, 0}, 0, 3},
        {{kErrorAccessDenied}, kErrorAccessDenied, kFileTries},
        {{kErrorSharingViolation, 112}, 112, 2},  // a full disk is not a moment
        {{2}, 2, 1},
    };
    for (const auto& r : retries) {
        size_t tries = 0;
        uint32_t paused = 0;
        const uint32_t result =
            RetryMomentary([&] { return r.errors[std::min(tries++, r.errors.size() - 1)]; },
                           [&](uint32_t ms) { paused += ms; });
        EXPECT_EQ(result, r.result) << r.errors[0];
        EXPECT_EQ(tries, static_cast<size_t>(r.tries)) << r.errors[0];
        EXPECT_EQ(paused, (tries - 1) * kFileRetryPauseMs);
    }
    EXPECT_FALSE(FlushCountsAsDone(112)) << "a full disk";  // ERROR_DISK_FULL

    char16_t temporary[16];
    ASSERT_TRUE(TemporaryPathFor(u"C:\\a.b\\Top.ini", 3, temporary, 16));
    EXPECT_EQ(std::u16string(temporary), u"C:\\a.b\\Top.~3") << "never longer than Top.ini's";
    EXPECT_FALSE(TemporaryPathFor(u"C:\\a.b\\Top.ini", 3, temporary, 13));

    Fixture f;
    f.storage.exists = true;
    f.storage.file = "[PAMURO]\r\nSETKEYCOUNT=0\r\n";
    f.Load();
    f.storage.failReplace = true;
    f.storage.oldGoneOnFailure = true;
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(f.state->failure, SaveFailure::TemporaryKept);
    EXPECT_NE(std::string(f.Problem()).find(" C:\\Games\\?\\Top.~0 "), std::string::npos)
        << "the kept file is named";

    // The next start: the newest whole copy newer than Top.ini, named; the
    // older copy and the one cut short go, the other newer one stays until
    // the first good save.
    const std::string topIni = kPath;
    const auto copyName = [&](int n) {
        return topIni.substr(0, topIni.size() - 3) + "~" + std::to_string(n);
    };
    Fixture next;
    next.storage.exists = true;
    next.storage.file = "[PAMURO]\r\nSETKEYCOUNT=0\r\n";
    next.storage.times = {
        {kPath, 10}, {copyName(0), 20}, {copyName(1), 5}, {copyName(2), 15}, {copyName(3), 30}};
    next.storage.others = {
        {copyName(0), "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=kept\r\n"},
        {copyName(1), "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=older\r\n"},
        {copyName(2), "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=newer\r\n"},
        {copyName(3), "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=cu"}};
    next.Load();
    EXPECT_STREQ(next.table->Names[1], "kept");
    EXPECT_NE(std::string(next.Problem()).find(" C:\\Games\\?\\Top.~0 "), std::string::npos);
    EXPECT_EQ(
        next.storage.calls,
        (std::vector<std::string>{"read " + topIni, "remove " + copyName(1), "read " + copyName(3),
                                  "remove " + copyName(3), "read " + copyName(0)}));
    next.storage.calls.clear();
    ASSERT_TRUE(next.Save());
    EXPECT_EQ(next.storage.calls.back(), "leftovers " + topIni) << "the copies go";
    EXPECT_NE(next.storage.file.find("KEYSETNAME 1=kept"), std::string::npos);
}

// Top.ini missing from the start-up folder is looked for in the VirtualStore
// of the folder without its drive; a network folder has none.
TEST(Settings, VirtualStoreLookup) {
    const char16_t* appData = u"C:\\Users\\p\\AppData\\Local";
    const struct {
        const char16_t* folder;
        const char16_t* path;  // nullptr: none
    } paths[] = {
        {u"C:\\Program Files\\Pamuro", u"\\VirtualStore\\Program Files\\Pamuro\\Top.ini"},
        {u"d:\\", u"\\VirtualStore\\Top.ini"},
        {u"\\\\server\\share\\Pamuro", nullptr},
    };
    for (const auto& p : paths) {
        char16_t out[kStoragePathSize];
        const bool found = VirtualStorePath(appData, p.folder, u"Top.ini", out, kStoragePathSize);
        EXPECT_EQ(found, p.path != nullptr) << Utf8(p.folder);
        if (found && p.path != nullptr) {
            EXPECT_EQ(std::u16string(out), appData + std::u16string(p.path));
        }
    }

    Fixture f;
    f.storage.others[Utf8(u"C:\\Users\\p\\AppData\\Local\\VirtualStore\\Games\\\ud45c\\Top.ini")] =
        "[PAMURO]\r\nSETKEYCOUNT=1\r\n[KEYSETNAME]\r\nKEYSETNAME 1=old\r\n";
    f.Load();
    EXPECT_STREQ(f.table->Names[1], "old");
    EXPECT_NE(std::string(f.Problem()).find("VirtualStore\\Games\\?\\Top.ini"), std::string::npos);
    ASSERT_TRUE(f.Save()) << "saved to the start-up folder";
    EXPECT_EQ(f.storage.calls.back(), std::string("replace ") + kPath);

    // A start-up folder that takes no new file: saves go back to the copy.
    Fixture back;
    back.storage.others = f.storage.others;
    back.storage.folderTakesFiles = false;
    back.Load();
    const std::string copy = back.storage.others.begin()->first;
    const std::string told = back.Problem();
    EXPECT_EQ(told.substr(told.size() - 30),
              std::string(kVirtualStoreSavedBackFormat)
                  .substr(std::strlen(kVirtualStoreSavedBackFormat) - 30));
    EXPECT_NE(told.find("VirtualStore\\Games\\?\\Top.ini"), std::string::npos);
    ASSERT_TRUE(back.Save());
    EXPECT_EQ(back.storage.calls.back(), "replace " + copy);
}

std::u16string U16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The stand-alone backend on real files, in a fresh directory.
class StandaloneStorageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pamuro-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }
    std::string ReadFile(const std::string& path) {
        std::string bytes;
        if (FILE* in = std::fopen(path.c_str(), "rb")) {
            char chunk[4096];
            for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
                bytes.append(chunk, got);
            }
            std::fclose(in);
        }
        return bytes;
    }
    void WriteFile(const std::string& path, const std::string& bytes) {
        FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr) << path;
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    std::string directory_;
};

TEST_F(StandaloneStorageTest, ReplacesReadsAndRefuses) {
    SettingsStorage& storage = StandaloneSettingsStorage();
    const std::u16string path = U16(directory_ + "\\Top.ini");
    char buffer[16];
    size_t size = 0;
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Missing);
    char16_t kept[kStoragePathSize];
    ASSERT_EQ(storage.ReplaceFile(path.c_str(), "[S]\r\nk=v\r\n", 10, kept),
              ReplaceResult::Replaced);
    ASSERT_EQ(storage.ReplaceFile(path.c_str(), "0123456789abcdef", 16, kept),
              ReplaceResult::Replaced);
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Read);
    EXPECT_EQ(std::string(buffer, size), "0123456789abcdef");
    EXPECT_EQ(storage.ReadWholeFile(path.c_str(), buffer, 15, &size), FileReadResult::TooLarge);

    const std::u16string missingDirectory = U16(directory_ + "\\none\\Top.ini");
    EXPECT_EQ(storage.ReplaceFile(missingDirectory.c_str(), "x", 1, kept), ReplaceResult::Failed);
    EXPECT_EQ(storage.ReadWholeFile(U16(directory_).c_str(), buffer, sizeof buffer, &size),
              FileReadResult::Failed);  // a directory cannot be read as a file
}

// The temporary file takes a name no file has, and the file keeps its mode.
TEST_F(StandaloneStorageTest, ATemporaryNameInUseIsLeftAloneAndTheModeKept) {
    const std::string top = directory_ + "/Top.ini";
    const std::string taken = directory_ + "/Top.~0";
    WriteFile(top, "old");
    WriteFile(taken, "someone else's");
    ASSERT_EQ(chmod(top.c_str(), 0600), 0);
    char16_t kept[kStoragePathSize];
    ASSERT_EQ(StandaloneSettingsStorage().ReplaceFile(U16(directory_ + "\\Top.ini").c_str(), "new",
                                                      3, kept),
              ReplaceResult::Replaced);
    EXPECT_EQ(ReadFile(top), "new");
    EXPECT_EQ(ReadFile(taken), "someone else's");
    struct stat status {};
    ASSERT_EQ(stat(top.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(access((directory_ + "/Top.~1").c_str(), F_OK), -1);
}

// Folder names outside code page 932 (Korean, an emoji) as the start-up directory.
TEST_F(StandaloneStorageTest, AStartupFolderOutsideTheCodePageWorks) {
    const std::string folder = directory_ + "/\xed\x91\x9c \xf0\x9f\x8e\xae";  // 표 🎮
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    auto state = std::make_unique<SettingsState>();
    FetchStartupDirectory(*state, StandaloneSettingsStorage());
    ASSERT_EQ(chdir(previous), 0);

    auto table = std::make_unique<KeySetTable>();
    ClearKeySetTable(*table);
    std::strcpy(table->Names[0], "kept");
    MapperOptions options;
    options.SetSleep = 3;
    ASSERT_TRUE(SaveSettings(*state, StandaloneSettingsStorage(), *table, options));
    EXPECT_NE(ReadFile(folder + "/Top.ini").find("KEYSETNAME 0=kept\r\n"), std::string::npos);
    auto loaded = std::make_unique<KeySetTable>();
    MapperOptions loadedOptions;
    EXPECT_EQ(LoadSettings(*state, false, StandaloneSettingsStorage(), *loaded, loadedOptions),
              SettingsLoadResult::Loaded);
    EXPECT_STREQ(loaded->Names[0], "kept");
    EXPECT_EQ(loadedOptions.SetSleep, 3);
}

TEST_F(StandaloneStorageTest, ConvertsThroughCodePage932) {
    SettingsStorage& storage = StandaloneSettingsStorage();
    char ansi[2] = {};
    ASSERT_EQ(storage.ToAnsi(u'\u30bd', ansi), 2);
    EXPECT_EQ(std::string(ansi, 2), "\x83\x5c");
    EXPECT_EQ(storage.ToWide("\x95\x5c", 2), u'\u8868');
    EXPECT_EQ(storage.ToWide("\xb1", 1), u'\uff71');  // half-width ｱ
    EXPECT_EQ(storage.ToAnsi(u'\u00e9', ansi), 0);    // é has no Shift-JIS form
}

}  // namespace
