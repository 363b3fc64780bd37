#pragma once
// Start-up's data steps, before any window exists: the start-up directory,
// the takeover of Tolvin.dat, and Top.ini.
#include "mapper/model/keyset_table.h"
#include "mapper/model/legacy.h"
#include "mapper/model/options.h"
#include "mapper/model/settings.h"
#include "mapper/model/settings_storage.h"

// Fetches the start-up directory, converts Tolvin.dat when there is one whose
// sets Top.ini does not already hold (LEGACYDONE), and
// loads Top.ini (the key sets only when nothing was converted). Converted
// sets are saved to Top.ini at once, and Tolvin.dat is deleted only when that
// save succeeded; otherwise it stays and the next start converts it again.
// A start-up folder that takes no new file is named, unless saves go back to
// the VirtualStore copy read at start. Returns what the user
// must be told (Shift-JIS), or nullptr.
const char* LoadStartupData(SettingsState& settings, SettingsStorage& storage,
                            LegacyPlatform& legacy, KeySetTable& table, MapperOptions& options);
