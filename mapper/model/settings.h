#pragma once
// Top.ini: the key-set table and the options of the polling loop, kept
// from one run to the next in the directory that was current at start-up.
// Read once at start-up; written about a second after each change, at the
// exit and at the end of the session (and at start-up right after a legacy
// conversion).
//
// Sections and keys: "PAMURO"/"SETKEYCOUNT", "KEYSETNAME"/"KEYSETNAME%2d",
// "PAMURO"/"LEGACYDONE" (the stamp of the Tolvin.dat whose sets it holds),
// "KEYSET"/"KEYSET%2d-%2d-%2d" (set, input number, key index), "SETTING"/
// the options' keys (mapper/model/options.h), "TURBO"/"TURBO%2d-%2d" (set,
// input number: rapid fire, presses a second). Every value is written, zeros
// included, except the keys of inputs numbered from kFirstReleaseInputCount
// on, the later options and the rapid-fire rates: those only when not 0 or
// already in the file, so older releases' files stay as they were.
#include <cstddef>
#include <cstdint>

#include "mapper/model/ini_profile.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"
#include "mapper/model/settings_storage.h"

// UTF-16 units of the start-up directory, its zero included.
constexpr size_t kStartupDirectorySize = 1024;
// "KEYSET%2d-%2d-%2d" and "%d" of any 32-bit value fit, with their zero.
constexpr size_t kSettingTextSize = 16;

// Bytes of the stamp of a converted Tolvin.dat ("size,time"), its zero included.
constexpr size_t kLegacyDoneSize = 40;

// Bytes of a message to the user put together from two.
constexpr size_t kSettingsMessageSize = 1024;

// Every entry of one save, formatted: keys and values in the order written.
struct SettingsEntries {
    ProfileWrite writes[kMaxProfileWrites];
    char keys[kMaxProfileWrites][kSettingTextSize];
    char values[kMaxProfileWrites][kSettingTextSize];
    char names[kMaxSets][kNameSize];
    size_t count;
};

// Why a save wrote nothing; one kind per message of its own.
enum class SaveFailure : uint8_t {
    None,
    NotRead,         // Top.ini could not be read at start or now
    Unconvertible,   // a character has no form in the file's encoding
    TooLarge,        // the file would be over 1 MiB
    ReplaceFailed,   // the file could not be replaced; it is as it was
    TemporaryKept,   // the old file is gone; the new content is in the temporary file
    MadeSinceStart,  // Top.ini was absent at start and someone else made it
    Count,
};

// Everything the settings file keeps between start-up and exit. One per
// process, made zero by its owner.
struct SettingsState {
    // Where Top.ini lives: the current directory at start-up, as wide text so
    // that any folder name works; empty when it could not be had.
    char16_t startupDirectory[kStartupDirectorySize];
    // The file as read, then the bytes written back.
    char fileBytes[kProfileFileCapacity];
    IniProfile profile;
    SettingsEntries entries;
    // The message (Shift-JIS) about the last load or save that went wrong.
    const char* problem;
    // Set when the key sets should have come from a Top.ini that could not
    // be read: saving over it would destroy the user's sets.
    bool keepFileUntouched;
    // Top.ini was not in the start-up folder at start and this run has not
    // written it yet: a Top.ini there at a save was made by someone else.
    bool absentAtStart;
    // Where saves go when not to Top.ini in the start-up folder: the
    // VirtualStore copy read at start, when that folder takes no new file.
    char16_t savePath[kStoragePathSize];
    // Copies that failed saves kept beside Top.ini may be there: the next
    // good save removes them.
    bool keptCopies;
    // The stamp of the Tolvin.dat whose sets this run converted, written with
    // them; empty when nothing was converted.
    char legacyDone[kLegacyDoneSize];
    // What the last save failed of (SaveFailure::None after one that worked).
    SaveFailure failure;
    // Room for a message put together from two (see LoadStartupData).
    char message[kSettingsMessageSize];
    // Room for a load's or a save's message that names a file.
    char fileMessage[kSettingsMessageSize];
};

enum class SettingsLoadResult {
    Loaded,      // read from Top.ini
    NoFile,      // no Top.ini yet (first run): the defaults
    TooLarge,    // Top.ini is over 1 MiB: the defaults; SettingsProblem() says so
    Unreadable,  // Top.ini could not be read: the defaults; SettingsProblem() says so
};

// Start-up's very first action: keeps the current directory, where Top.ini
// lives, so a later change of directory does not move the file.
void FetchStartupDirectory(SettingsState& state, SettingsStorage& storage);

// Fills SetKeyCount, Names, Keys and RapidFire from Top.ini unless
// `converted` (the legacy data supplied them), and sets the options in every
// case. The newest copy that a failed save kept beside Top.ini is read
// instead, when it is newer than Top.ini (any, when Top.ini is missing), and
// SettingsProblem() names it; older ones are deleted.
// A Top.ini missing from the start-up folder is read from where Windows'
// file virtualization kept it for an older install, if it is there, and
// SettingsProblem() says so; saves go to the start-up folder, or back to
// that copy when the start-up folder takes no new file.
// When Top.ini could not be read, later saves leave that file alone rather
// than overwrite the user's sets with the defaults. A UTF-16 Top.ini that
// could not be read without loss is loaded, and SettingsProblem() says that
// it will not be saved.
SettingsLoadResult LoadSettings(SettingsState& state, bool converted, SettingsStorage& storage,
                                KeySetTable& table, MapperOptions& options);

// Whether Top.ini already holds the sets of the Tolvin.dat of `stamp`
// (LegacyDataStamp): then that file is not converted again. Reads Top.ini.
bool LegacyDataSaved(SettingsState& state, SettingsStorage& storage, const char* stamp);

// Writes everything to Top.ini, reading it once and replacing it once (a
// good save also removes the copies that failed saves kept). False
// when nothing was written (SettingsProblem() and state.failure say why); the
// existing file is then untouched. A file that the next start could not read
// (over 1 MiB) is not written, nor a Top.ini that was absent at start and
// has been made by someone else since.
bool SaveSettings(SettingsState& state, SettingsStorage& storage, const KeySetTable& table,
                  const MapperOptions& options);

// `path` as Shift-JIS text for a message into out[0..size-1] (size > 0), '?'
// for a character that code page 932 lacks, cut at a whole character.
void PathMessageText(const char16_t* path, char* out, size_t size, AnsiCodePage& codePage);

// The message (Shift-JIS) for the user about the last load or save that went
// wrong, or nullptr when the last load and save went well.
const char* SettingsProblem(const SettingsState& state);
