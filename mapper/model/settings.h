#pragma once
// Top.ini: the key-set table and the two options of the polling loop, kept
// from one run to the next in the directory that was current at start-up.
// Read once at start-up, written once when the main window goes away.
//
// Sections and keys: "PAMURO"/"SETKEYCOUNT", "KEYSETNAME"/"KEYSETNAME%2d",
// "KEYSET"/"KEYSET%2d-%2d-%2d" (set, slot, key index), "SETTING"/
// "SetKeyDownMode" and "SetSleep". Every value is written, zeros included.
#include <cstdint>

#include "mapper/model/ini_profile.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

class SettingsStorage;  // mapper/model/settings_storage.h

constexpr int kStartupDirectorySize = 1024;

enum class SettingsLoadResult {
    Loaded,      // read from Top.ini
    NoFile,      // no Top.ini yet (first run): the defaults
    TooLarge,    // Top.ini is over 1 MiB: the defaults; SettingsProblem() says so
    Unreadable,  // Top.ini could not be read: the defaults; SettingsProblem() says so
};

// Start-up's very first action: keeps the current directory, where Top.ini
// lives, so a later change of directory does not move the file.
void FetchStartupDirectory(SettingsStorage& storage);
const char* StartupDirectory();

// Fills SetKeyCount, Names and Keys from Top.ini unless `converted` (the
// legacy data supplied them), and sets KeyDownMode and SetSleep in every case.
// When the key sets should have come from a Top.ini that could not be read,
// the following SaveSettings leaves that file alone rather than overwrite
// the user's sets with the defaults.
SettingsLoadResult LoadSettings(bool converted, SettingsStorage& storage, KeySetTable& table,
                                MapperOptions& options);

// Writes everything to Top.ini, reading it once and replacing it once. False
// when nothing was written (SettingsProblem() says why); the existing file is
// then untouched.
bool SaveSettings(SettingsStorage& storage, const KeySetTable& table, const MapperOptions& options);

// Formats `value` with "%d" and writes it under section/key into `profile`;
// false when the profile is full.
bool WriteIntSetting(IniProfile& profile, const char* section, const char* key, int32_t value);

// The message (Shift-JIS) for the user about the last load or save that went
// wrong, or nullptr when the last load and save went well.
const char* SettingsProblem();
