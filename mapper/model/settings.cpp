#include "mapper/model/settings.h"

#include <cstdio>
#include <cstring>

#include "mapper/model/kept_copy.h"
#include "mapper/model/model_texts_sjis.h"

namespace {

const char16_t kFileName[] = u"Top.ini";
const char kPamuroSection[] = "PAMURO";
const char kSetKeyCountKey[] = "SETKEYCOUNT";
const char kLegacyDoneKey[] = "LEGACYDONE";
const char kNameSection[] = "KEYSETNAME";
const char kKeySection[] = "KEYSET";
const char kActionSection[] = "ACTION";
const char kSettingSection[] = "SETTING";
const char kRapidFireSection[] = "TURBO";

struct SettingsPath {
    char16_t text[kStoragePathSize];
};
static_assert(kStartupDirectorySize + 1 + sizeof kFileName / sizeof kFileName[0] <=
                  kStoragePathSize,
              "the start-up directory's Top.ini fits a storage path");

// "<start-up directory>\Top.ini"; just "Top.ini" when no directory was had
// at start-up: the current one is then the best guess. The VirtualStore copy
// when saves go back there.
SettingsPath BuildPath(const SettingsState& state) {
    SettingsPath path{};
    if (state.savePath[0] != u'\0') {
        std::memcpy(path.text, state.savePath, sizeof path.text);
        return path;
    }
    size_t length = 0;
    while (length < kStartupDirectorySize - 1 && state.startupDirectory[length] != u'\0') {
        path.text[length] = state.startupDirectory[length];
        ++length;
    }
    if (length > 0) {
        path.text[length++] = u'\\';
    }
    std::memcpy(path.text + length, kFileName, sizeof kFileName);
    return path;
}

void FormatWithPath(char (&out)[kSettingsMessageSize], const char* format, const char16_t* path,
                    AnsiCodePage& codePage) {
    char text[kSettingsMessageSize / 2];
    PathMessageText(path, text, sizeof text, codePage);
    std::snprintf(out, sizeof out, format, text);
}

// Reads the file at `path` into the profile; a missing file reads as an
// empty profile. A file over kMaxProfileFileBytes is not read at all.
FileReadResult ReadProfileAt(SettingsState& state, SettingsStorage& storage, const char16_t* path) {
    size_t size = 0;
    const FileReadResult result =
        storage.ReadWholeFile(path, state.fileBytes, kMaxProfileFileBytes, &size);
    if (result == FileReadResult::Read && size <= kMaxProfileFileBytes) {
        state.profile.Load(state.fileBytes, size, storage);
        return result;
    }
    state.profile.Clear();
    return result == FileReadResult::Read ? FileReadResult::TooLarge : result;
}

FileReadResult ReadProfile(SettingsState& state, SettingsStorage& storage) {
    return ReadProfileAt(state, storage, BuildPath(state).text);
}

// Top.ini missing from the start-up folder: an older install may have
// written it while Windows redirected the write to the VirtualStore. Read
// from there when it is; the message names where.
FileReadResult ReadVirtualStoreCopy(SettingsState& state, SettingsStorage& storage) {
    char16_t localAppData[kStoragePathSize];
    char16_t path[kStoragePathSize];
    if (!storage.LocalAppData(localAppData, kStoragePathSize) ||
        !VirtualStorePath(localAppData, state.startupDirectory, kFileName, path,
                          kStoragePathSize) ||
        ReadProfileAt(state, storage, path) != FileReadResult::Read) {
        state.profile.Clear();
        return FileReadResult::Missing;
    }
    const char* format = kVirtualStoreTopIniFormat;
    if (!storage.FolderTakesNewFile(state.startupDirectory)) {
        // Saved to the start-up folder, the sets would be lost: back to the copy.
        std::memcpy(state.savePath, path, sizeof path);
        state.absentAtStart = false;
        format = kVirtualStoreSavedBackFormat;
    }
    FormatWithPath(state.fileMessage, format, path, storage);
    state.problem = state.fileMessage;
    return FileReadResult::Read;
}

// A copy cut short (a crash, a power cut) ends in the middle of a line; every
// save ends its file with a line break, in UTF-16 too.
bool EndsWithLineBreak(const char* bytes, size_t size) {
    return (size >= 1 && bytes[size - 1] == '\n') ||
           (size >= 2 && bytes[size - 2] == '\n' && bytes[size - 1] == '\0');
}

// Reads the newest whole copy that failed saves kept beside Top.ini and
// that is newer than Top.ini into the profile; deletes the older copies and
// copies cut short. False, with the profile as it was read from Top.ini,
// when there is none.
bool ReadKeptCopy(SettingsState& state, SettingsStorage& storage) {
    const SettingsPath path = BuildPath(state);
    uint64_t topIniTime = 0;
    const bool topIniThere = storage.LastWriteTime(path.text, &topIniTime);
    KeptCopies copies{};
    char16_t copy[kStoragePathSize];
    for (int n = 0; n < kTemporaryNames; ++n) {
        copies.there[n] = TemporaryPathFor(path.text, n, copy, kStoragePathSize) &&
                          storage.LastWriteTime(copy, &copies.time[n]);
        if (IsStaleCopy(copies, n, topIniThere, topIniTime)) {
            storage.RemoveFile(copy);
            copies.there[n] = false;
        }
    }
    bool readOne = false;
    for (int n; (n = ChooseKeptCopy(copies, topIniThere, topIniTime)) >= 0;) {
        copies.there[n] = false;
        TemporaryPathFor(path.text, n, copy, kStoragePathSize);
        size_t size = 0;
        if (storage.ReadWholeFile(copy, state.fileBytes, kMaxProfileFileBytes, &size) !=
            FileReadResult::Read) {
            continue;  // held by another program: left alone
        }
        readOne = true;
        if (!EndsWithLineBreak(state.fileBytes, size)) {
            storage.RemoveFile(copy);
            continue;
        }
        state.profile.Load(state.fileBytes, size, storage);
        state.keptCopies = true;
        FormatWithPath(state.fileMessage, kKeptCopyFormat, copy, storage);
        state.problem = state.fileMessage;
        return true;
    }
    if (readOne) {
        ReadProfile(state, storage);  // the buffer held a copy since
    }
    return false;
}

// "%d", without the cost of the printf family: a full save formats 5,844 values.
void FormatInt(int32_t value, char* out) {
    char digits[10];
    int count = 0;
    const auto bits = static_cast<uint32_t>(value);
    uint32_t magnitude = value < 0 ? 0u - bits : bits;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        *out++ = '-';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    *out = '\0';
}

// "%2d" for 0 to 99: right-aligned in two columns.
char* PutTwoColumns(int value, char* out) {
    *out++ = value < 10 ? ' ' : static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

// "KEYSETNAME%2d"
void FormatNameKey(int set, char* out) {
    std::memcpy(out, "KEYSETNAME", 10);
    *PutTwoColumns(set, out + 10) = '\0';
}

// "KEYSET%2d-%2d-%2d"
void FormatCodeKey(int set, int number, int keyIndex, char* out) {
    std::memcpy(out, "KEYSET", 6);
    char* at = PutTwoColumns(set, out + 6);
    *at++ = '-';
    at = PutTwoColumns(number, at);
    *at++ = '-';
    *PutTwoColumns(keyIndex, at) = '\0';
}

// "<section>%2d-%2d": the keys of the sections that hold one value per input
// of a set (TURBO, ACTION).
void FormatInputKey(const char* section, int set, int number, char* out) {
    const size_t length = std::strlen(section);
    std::memcpy(out, section, length);
    char* at = PutTwoColumns(set, out + length);
    *at++ = '-';
    *PutTwoColumns(number, at) = '\0';
}

const char kNextText[] = "NEXT";
const char kPrevText[] = "PREV";
const char kPauseText[] = "PAUSE";
const char kHoldText[] = "HOLD ";

// "NEXT", "PREV", "PAUSE" or "HOLD n" (n a set index); anything else is no
// action.
int32_t ParseAction(const char* text) {
    if (std::strcmp(text, kNextText) == 0) {
        return ActionNext;
    }
    if (std::strcmp(text, kPrevText) == 0) {
        return ActionPrev;
    }
    if (std::strcmp(text, kPauseText) == 0) {
        return ActionPause;
    }
    if (std::strncmp(text, kHoldText, sizeof kHoldText - 1) != 0) {
        return ActionNone;
    }
    const char* digits = text + sizeof kHoldText - 1;
    int32_t set = 0;
    for (const char* at = digits; *at != '\0'; ++at) {
        if (*at < '0' || *at > '9' || at - digits >= 2) {
            return ActionNone;  // not a number, or beyond any table
        }
        set = set * 10 + (*at - '0');
    }
    return *digits != '\0' && set < kMaxSets ? HoldAction(set) : ActionNone;
}

// The text of `action` for the file; empty for none.
void FormatAction(int32_t action, char* out) {
    switch (KindOfAction(action)) {
        case ActionNext:
            std::strcpy(out, kNextText);
            return;
        case ActionPrev:
            std::strcpy(out, kPrevText);
            return;
        case ActionPause:
            std::strcpy(out, kPauseText);
            return;
        case ActionHold:
            std::strcpy(out, kHoldText);
            FormatInt(HoldTarget(action), out + sizeof kHoldText - 1);
            return;
        case ActionNone:
            break;
    }
    out[0] = '\0';
}

// The table holds 80 sets, whatever the file says.
int32_t WithinTable(int32_t setKeyCount) {
    if (setKeyCount > kMaxSets - 1) {
        return kMaxSets - 1;
    }
    return setKeyCount < -1 ? -1 : setKeyCount;
}

void LoadKeySets(const IniProfile& profile, KeySetTable& table) {
    // Rows above SetKeyCount must not keep anything from before the load.
    ClearKeySetTable(table);
    const int32_t highest = WithinTable(profile.GetInt(kPamuroSection, kSetKeyCountKey, 0));
    table.SetKeyCount.store(highest);
    char key[kSettingTextSize];
    for (int set = 0; set <= highest; ++set) {
        FormatNameKey(set, key);
        profile.GetString(kNameSection, key, kUntitledName, table.Names[set], kNameSize);
        for (int keyIndex = 0; keyIndex < kKeysPerInput; ++keyIndex) {
            for (int input = 0; input < kInputCount; ++input) {
                FormatCodeKey(set, kInputs[input].Number, keyIndex, key);
                table.Keys[set][input][keyIndex].store(profile.GetInt(kKeySection, key, 0));
            }
        }
        char text[kSettingTextSize];
        for (int input = 0; input < kInputCount; ++input) {
            FormatInputKey(kRapidFireSection, set, kInputs[input].Number, key);
            table.RapidFire[set][input].store(
                RapidFireRateOf(profile.GetInt(kRapidFireSection, key, 0)));
            FormatInputKey(kActionSection, set, kInputs[input].Number, key);
            profile.GetString(kActionSection, key, "", text, sizeof text);
            table.Actions[set][input].store(ParseAction(text));
        }
    }
}

// A name goes in as it is, except that it ends at a line break: CR or LF
// inside a value would turn the rest of the name into lines of their own,
// sections and keys included.
void CopySingleLineName(const char* name, char* out) {
    size_t length = 0;
    while (length < kNameSize - 1 && name[length] != '\0' && name[length] != '\r' &&
           name[length] != '\n') {
        ++length;
    }
    std::memcpy(out, name, length);
    out[length] = '\0';
}

void AddEntry(SettingsEntries& entries, const char* section, const char* key, const char* value) {
    entries.writes[entries.count++] = ProfileWrite{section, key, value};
}

void AddIntEntry(SettingsEntries& entries, const char* section, const char* key, int32_t value) {
    char* text = entries.values[entries.count];
    FormatInt(value, text);
    AddEntry(entries, section, key, text);
}

// Rapid fire and the later options reach the file only when used or already
// there: a file that never used them saves byte for byte as before.
void AddIfSetOrPresent(const IniProfile& profile, SettingsEntries& entries, const char* section,
                       const char* key, int32_t value) {
    if (value != 0 || profile.HasKey(section, key)) {
        AddIntEntry(entries, section, key, value);
    }
}

// The actions of `set`: an entry only for an action, or where the file holds
// one already (emptied when the action was cleared), so a file without
// actions is saved as it was.
void AddActionEntries(const IniProfile& profile, const KeySetTable& table, int set,
                      SettingsEntries& entries) {
    for (int input = 0; input < kInputCount; ++input) {
        const int32_t action = table.Actions[set][input].load();
        char* key = entries.keys[entries.count];
        FormatInputKey(kActionSection, set, kInputs[input].Number, key);
        if (action != ActionNone || profile.HasKey(kActionSection, key)) {
            char* text = entries.values[entries.count];
            FormatAction(action, text);
            AddEntry(entries, kActionSection, key, text);
        }
    }
}

// Every entry of a save, in the order the file gets them: the set count (and
// the Tolvin.dat stamp), each set's name, its keys (key index 0 for every
// input, then key index 1) and its actions, the options (kOptionRows), then each set's
// rapid-fire rates. Inputs numbered from kFirstReleaseInputCount on are
// written only when bound or already in the file: a player who never binds
// them keeps the file of the releases before them, byte for byte, and a zero
// over a binding of theirs still reaches the file.
void CollectEntries(const IniProfile& profile, const KeySetTable& table,
                    const MapperOptions& options, const char* legacyDone,
                    SettingsEntries& entries) {
    entries.count = 0;
    const int32_t highest = WithinTable(table.SetKeyCount.load());
    AddIntEntry(entries, kPamuroSection, kSetKeyCountKey, highest);
    if (legacyDone[0] != '\0') {
        AddEntry(entries, kPamuroSection, kLegacyDoneKey, legacyDone);
    }
    for (int set = 0; set <= highest; ++set) {
        CopySingleLineName(table.Names[set], entries.names[set]);
        FormatNameKey(set, entries.keys[entries.count]);
        AddEntry(entries, kNameSection, entries.keys[entries.count], entries.names[set]);
        for (int keyIndex = 0; keyIndex < kKeysPerInput; ++keyIndex) {
            for (int input = 0; input < kInputCount; ++input) {
                const int32_t code = table.Keys[set][input][keyIndex].load();
                char* key = entries.keys[entries.count];
                const int32_t number = kInputs[input].Number;
                FormatCodeKey(set, number, keyIndex, key);
                if (number < kFirstReleaseInputCount || code != 0 ||
                    profile.HasKey(kKeySection, key)) {
                    AddIntEntry(entries, kKeySection, key, code);
                }
            }
        }
        AddActionEntries(profile, table, set, entries);
    }
    for (const OptionRow& row : kOptionRows) {
        const uint8_t value = (options.*row.Field).load();
        if (row.Later) {
            AddIfSetOrPresent(profile, entries, kSettingSection, row.Key, value);
        } else {
            AddIntEntry(entries, kSettingSection, row.Key, value);
        }
    }
    for (int set = 0; set <= highest; ++set) {
        for (int input = 0; input < kInputCount; ++input) {
            FormatInputKey(kRapidFireSection, set, kInputs[input].Number,
                           entries.keys[entries.count]);
            AddIfSetOrPresent(profile, entries, kRapidFireSection, entries.keys[entries.count],
                              table.RapidFire[set][input].load());
        }
    }
}

static_assert(2 + kOptionCount + kMaxSets * (1 + kInputCount * (kKeysPerInput + 1)) <=
                  kMaxProfileWrites,
              "a full save fits one batch of writes");

bool Fail(SettingsState& state, SaveFailure failure, const char* problem) {
    state.failure = failure;
    state.problem = problem;
    return false;
}

bool FailNamingFile(SettingsState& state, SaveFailure failure, const char* format,
                    const char16_t* path, SettingsStorage& storage) {
    FormatWithPath(state.fileMessage, format, path, storage);
    return Fail(state, failure, state.fileMessage);
}

const char* LoadProblem(FileReadResult read, bool converted, const IniProfile& profile) {
    switch (read) {
        case FileReadResult::TooLarge:
            return converted ? kTooLargeConvertedText : kTooLargeText;
        case FileReadResult::Failed:
            return converted ? kUnreadableConvertedText : kUnreadableText;
        case FileReadResult::Read:
            return profile.Lossless() ? nullptr : kUnconvertibleAtStartText;
        case FileReadResult::Missing:
            break;
    }
    return nullptr;
}

}  // namespace

void PathMessageText(const char16_t* path, char* out, size_t size, AnsiCodePage& codePage) {
    size_t length = 0;
    for (; *path != u'\0'; ++path) {
        char bytes[2] = {static_cast<char>(*path), 0};
        int count = *path < 0x80 ? 1 : codePage.ToAnsi(*path, bytes);
        if (count == 0) {
            bytes[0] = '?';
            count = 1;
        }
        if (length + static_cast<size_t>(count) >= size) {
            break;  // never half a character
        }
        std::memcpy(out + length, bytes, static_cast<size_t>(count));
        length += static_cast<size_t>(count);
    }
    out[length] = '\0';
}

void FetchStartupDirectory(SettingsState& state, SettingsStorage& storage) {
    if (!storage.CurrentDirectory(state.startupDirectory, kStartupDirectorySize)) {
        state.startupDirectory[0] = u'\0';
    }
}

SettingsLoadResult LoadSettings(SettingsState& state, bool converted, SettingsStorage& storage,
                                KeySetTable& table, MapperOptions& options) {
    FileReadResult read = ReadProfile(state, storage);
    state.problem = LoadProblem(read, converted, state.profile);
    state.keepFileUntouched = read == FileReadResult::TooLarge || read == FileReadResult::Failed;
    state.absentAtStart = read == FileReadResult::Missing;
    if ((read == FileReadResult::Read || read == FileReadResult::Missing) && !converted &&
        ReadKeptCopy(state, storage)) {
        read = FileReadResult::Read;
    }
    if (read == FileReadResult::Missing && !converted) {
        ReadVirtualStoreCopy(state, storage);
    }
    if (!converted) {
        LoadKeySets(state.profile, table);
    }
    for (const OptionRow& row : kOptionRows) {
        (options.*row.Field)
            .store(
                OptionFromFile(row, state.profile.GetInt(kSettingSection, row.Key, row.Default)));
    }
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

bool LegacyDataSaved(SettingsState& state, SettingsStorage& storage, const char* stamp) {
    if (ReadProfile(state, storage) != FileReadResult::Read) {
        return false;
    }
    char saved[kLegacyDoneSize];
    state.profile.GetString(kPamuroSection, kLegacyDoneKey, "", saved, sizeof saved);
    return std::strcmp(saved, stamp) == 0;
}

bool SaveSettings(SettingsState& state, SettingsStorage& storage, const KeySetTable& table,
                  const MapperOptions& options) {
    if (state.keepFileUntouched) {
        return Fail(state, SaveFailure::NotRead, kNotSavedUnreadText);
    }
    const SettingsPath path = BuildPath(state);
    const FileReadResult read = ReadProfile(state, storage);
    if (read == FileReadResult::TooLarge || read == FileReadResult::Failed) {
        return Fail(state, SaveFailure::NotRead, kNotSavedUnreadText);
    }
    if (read == FileReadResult::Read && state.absentAtStart) {
        // Another program or another copy of mapper made it: its sets are
        // not ours to overwrite.
        return FailNamingFile(state, SaveFailure::MadeSinceStart, kMadeSinceStartFormat, path.text,
                              storage);
    }
    if (!state.profile.Lossless()) {
        return Fail(state, SaveFailure::Unconvertible, kUnconvertibleText);
    }
    CollectEntries(state.profile, table, options, state.legacyDone, state.entries);
    if (!state.profile.WriteEntries(state.entries.writes, state.entries.count)) {
        return Fail(state, SaveFailure::TooLarge, kSaveTooLargeText);
    }
    size_t size = 0;
    switch (state.profile.Encode(state.fileBytes, kMaxProfileFileBytes, storage, &size)) {
        case EncodeResult::Unconvertible:
            return Fail(state, SaveFailure::Unconvertible, kUnconvertibleText);
        case EncodeResult::TooLarge:
            return Fail(state, SaveFailure::TooLarge, kSaveTooLargeText);
        case EncodeResult::Encoded:
            break;
    }
    char16_t kept[kStoragePathSize] = {};
    switch (storage.ReplaceFile(path.text, state.fileBytes, size, kept)) {
        case ReplaceResult::Failed:
            return Fail(state, SaveFailure::ReplaceFailed, kSaveFailedText);
        case ReplaceResult::TemporaryKept:
            state.keptCopies = true;
            return FailNamingFile(state, SaveFailure::TemporaryKept, kTemporaryKeptFormat, kept,
                                  storage);
        case ReplaceResult::Replaced:
            break;
    }
    if (state.keptCopies) {
        storage.RemoveLeftovers(path.text);  // Top.ini holds the newest sets now
        state.keptCopies = false;
    }
    state.absentAtStart = false;  // ours now
    state.failure = SaveFailure::None;
    state.problem = nullptr;
    return true;
}

const char* SettingsProblem(const SettingsState& state) {
    return state.problem;
}
