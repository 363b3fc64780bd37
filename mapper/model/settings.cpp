#include "mapper/model/settings.h"

#include <cstdio>
#include <cstring>

#include "mapper/model/settings_storage.h"

namespace {

const char kFileName[] = "Top.ini";
const char kPamuroSection[] = "PAMURO";
const char kSetKeyCountKey[] = "SETKEYCOUNT";
const char kNameSection[] = "KEYSETNAME";
const char kKeySection[] = "KEYSET";
const char kSettingSection[] = "SETTING";
const char kKeyDownModeKey[] = "SetKeyDownMode";
const char kSleepKey[] = "SetSleep";

// Top.ini が 1 MB を超えているため読み込めませんでした。既定の設定で起動します。終了時に Top.ini
// は書き換えません。
const char kTooLargeText[] =
    "Top.ini \x82\xaa 1 MB "
    "\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xe9\x82\xbd\x82\xdf\x93\xc7\x82\xdd\x8d\x9e\x82"
    "\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42\x8a\xf9\x92\xe8\x82\xcc\x90\xdd"
    "\x92\xe8\x82\xc5\x8b\x4e\x93\xae\x82\xb5\x82\xdc\x82\xb7\x81\x42\x8f\x49\x97\xb9\x8e\x9e\x82"
    "\xc9 Top.ini \x82\xcd\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// Top.ini を読み込めませんでした。既定の設定で起動します。終了時に Top.ini は書き換えません。
const char kUnreadableText[] =
    "Top.ini \x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82"
    "\xbd\x81\x42\x8a\xf9\x92\xe8\x82\xcc\x90\xdd\x92\xe8\x82\xc5\x8b\x4e\x93\xae\x82\xb5\x82\xdc"
    "\x82\xb7\x81\x42\x8f\x49\x97\xb9\x8e\x9e\x82\xc9 Top.ini "
    "\x82\xcd\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// Top.ini を読み込めなかったため、設定を保存しませんでした。Top.ini は元のままです。
const char kNotSavedUnreadText[] =
    "Top.ini \x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xc8\x82\xa9\x82\xc1\x82\xbd\x82\xbd\x82"
    "\xdf\x81\x41\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x82\xc5"
    "\x82\xb5\x82\xbd\x81\x42Top.ini \x82\xcd\x8c\xb3\x82\xcc\x82\xdc\x82\xdc\x82\xc5\x82\xb7\x81"
    "\x42";
// Top.ini に設定を保存できませんでした。Top.ini は元のままです。
const char kSaveFailedText[] =
    "Top.ini \x82\xc9\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82"
    "\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42Top.ini \x82\xcd\x8c\xb3\x82\xcc\x82\xdc\x82\xdc\x82\xc5"
    "\x82\xb7\x81\x42";
// Top.ini にシフトJISで表せない文字があるため、設定を保存しませんでした。Top.ini は元のままです。
const char kUnconvertibleText[] =
    "Top.ini \x82\xc9\x83\x56\x83\x74\x83\x67JIS\x82\xc5\x95\x5c\x82\xb9\x82\xc8\x82\xa2\x95\xb6"
    "\x8e\x9a\x82\xaa\x82\xa0\x82\xe9\x82\xbd\x82\xdf\x81\x41\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91"
    "\xb6\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42Top.ini "
    "\x82\xcd\x8c\xb3\x82\xcc\x82\xdc\x82\xdc\x82\xc5\x82\xb7\x81\x42";

char g_startupDirectory[kStartupDirectorySize];
// One read buffer for the file bytes, also used for the bytes written back.
char g_fileBytes[kProfileFileCapacity];
IniProfile g_profile;
const char* g_problem = nullptr;
// Set when the key sets should have come from a Top.ini that could not be
// read: saving the defaults over it would destroy the user's sets.
bool g_keepFileUntouched = false;

struct SettingsPath {
    char text[kStartupDirectorySize + sizeof kFileName + 1];
};

SettingsPath BuildPath() {
    SettingsPath path{};
    if (g_startupDirectory[0] == '\0') {
        // No directory was had at start-up: the current one is the best guess.
        std::snprintf(path.text, sizeof path.text, "%s", kFileName);
    } else {
        std::snprintf(path.text, sizeof path.text, "%s\\%s", g_startupDirectory, kFileName);
    }
    return path;
}

// Reads Top.ini into g_profile; a missing file reads as an empty profile.
FileReadResult ReadProfile(SettingsStorage& storage) {
    size_t size = 0;
    const FileReadResult result =
        storage.ReadWholeFile(BuildPath().text, g_fileBytes, kMaxProfileFileBytes, &size);
    if (result == FileReadResult::Read && size <= kMaxProfileFileBytes) {
        g_profile.Load(g_fileBytes, size, storage);
        return result;
    }
    g_profile.Clear();
    return result == FileReadResult::Read ? FileReadResult::TooLarge : result;
}

struct EntryKey {
    char text[32];
};

EntryKey NameKey(int set) {
    EntryKey key{};
    std::snprintf(key.text, sizeof key.text, "KEYSETNAME%2d", set);
    return key;
}

EntryKey CodeKey(int set, int slot, int keyIndex) {
    EntryKey key{};
    std::snprintf(key.text, sizeof key.text, "KEYSET%2d-%2d-%2d", set, slot, keyIndex);
    return key;
}

// The table holds 80 sets, whatever the file says.
int32_t WithinTable(int32_t setKeyCount) {
    if (setKeyCount > kMaxSets - 1) {
        return kMaxSets - 1;
    }
    return setKeyCount < -1 ? -1 : setKeyCount;
}

void LoadKeySets(KeySetTable& table) {
    // Rows above SetKeyCount must not keep anything from before the load.
    ClearKeySetTable(table);
    const int32_t highest = WithinTable(g_profile.GetInt(kPamuroSection, kSetKeyCountKey, 0));
    table.SetKeyCount.store(highest);
    for (int set = 0; set <= highest; ++set) {
        g_profile.GetString(kNameSection, NameKey(set).text, kUntitledName, table.Names[set],
                            kNameSize);
        for (int keyIndex = 0; keyIndex < kKeysPerSlot; ++keyIndex) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                table.Keys[set][slot][keyIndex].store(
                    g_profile.GetInt(kKeySection, CodeKey(set, slot, keyIndex).text, 0));
            }
        }
    }
}

uint8_t LowByte(int32_t value) {
    return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

// A name goes in as it is, except that it ends at a line break: CR or LF
// inside a value would turn the rest of the name into lines of their own,
// sections and keys included.
struct NameValue {
    char text[kNameSize];
};

NameValue SingleLineName(const char* name) {
    NameValue value{};
    size_t length = 0;
    while (length < kNameSize - 1 && name[length] != '\0' && name[length] != '\r' &&
           name[length] != '\n') {
        ++length;
    }
    std::memcpy(value.text, name, length);
    return value;
}

bool WriteKeySets(const KeySetTable& table) {
    const int32_t highest = WithinTable(table.SetKeyCount.load());
    bool written = WriteIntSetting(g_profile, kPamuroSection, kSetKeyCountKey, highest);
    for (int set = 0; set <= highest && written; ++set) {
        written = g_profile.WriteString(kNameSection, NameKey(set).text,
                                        SingleLineName(table.Names[set]).text);
        for (int keyIndex = 0; keyIndex < kKeysPerSlot; ++keyIndex) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                written = written &&
                          WriteIntSetting(g_profile, kKeySection, CodeKey(set, slot, keyIndex).text,
                                          table.Keys[set][slot][keyIndex].load());
            }
        }
    }
    return written;
}

bool WriteOptions(const MapperOptions& options) {
    return WriteIntSetting(g_profile, kSettingSection, kKeyDownModeKey,
                           options.KeyDownMode.load()) &&
           WriteIntSetting(g_profile, kSettingSection, kSleepKey, options.SetSleep.load());
}

bool Fail(const char* problem) {
    g_problem = problem;
    return false;
}

}  // namespace

void FetchStartupDirectory(SettingsStorage& storage) {
    if (!storage.CurrentDirectory(g_startupDirectory, sizeof g_startupDirectory)) {
        g_startupDirectory[0] = '\0';
    }
}

const char* StartupDirectory() {
    return g_startupDirectory;
}

SettingsLoadResult LoadSettings(bool converted, SettingsStorage& storage, KeySetTable& table,
                                MapperOptions& options) {
    const FileReadResult read = ReadProfile(storage);
    g_problem = read == FileReadResult::TooLarge ? kTooLargeText
                : read == FileReadResult::Failed ? kUnreadableText
                                                 : nullptr;
    // After a legacy conversion the sets come from the legacy file, and the
    // first save is meant to put them into Top.ini.
    g_keepFileUntouched = !converted && g_problem != nullptr;
    if (!converted) {
        LoadKeySets(table);
    }
    options.KeyDownMode.store(LowByte(g_profile.GetInt(kSettingSection, kKeyDownModeKey, 0)));
    options.SetSleep.store(LowByte(g_profile.GetInt(kSettingSection, kSleepKey, 0)));
    switch (read) {
        case FileReadResult::Read:
            return SettingsLoadResult::Loaded;
        case FileReadResult::Missing:
            return SettingsLoadResult::NoFile;
        case FileReadResult::TooLarge:
            return SettingsLoadResult::TooLarge;
        case FileReadResult::Failed:
            break;
    }
    return SettingsLoadResult::Unreadable;
}

bool SaveSettings(SettingsStorage& storage, const KeySetTable& table,
                  const MapperOptions& options) {
    if (g_keepFileUntouched) {
        return Fail(kNotSavedUnreadText);
    }
    const FileReadResult read = ReadProfile(storage);
    if (read == FileReadResult::TooLarge || read == FileReadResult::Failed) {
        return Fail(kNotSavedUnreadText);
    }
    if (!g_profile.Lossless()) {
        return Fail(kUnconvertibleText);
    }
    if (!WriteKeySets(table) || !WriteOptions(options)) {
        return Fail(kSaveFailedText);
    }
    size_t size = 0;
    if (!g_profile.Encode(g_fileBytes, sizeof g_fileBytes, storage, &size)) {
        return Fail(g_profile.Encoding() == ProfileEncoding::Utf16Le ? kUnconvertibleText
                                                                     : kSaveFailedText);
    }
    if (!storage.ReplaceFile(BuildPath().text, g_fileBytes, size)) {
        return Fail(kSaveFailedText);
    }
    g_problem = nullptr;
    return true;
}

bool WriteIntSetting(IniProfile& profile, const char* section, const char* key, int32_t value) {
    char text[256];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return profile.WriteString(section, key, text);
}

const char* SettingsProblem() {
    return g_problem;
}
