#include "mapper/model/startup_data.h"

#include <cstdio>

#include "mapper/model/model_texts_sjis.h"

namespace {

// Until the converted sets are in Top.ini, Tolvin.dat is their only copy.
const char* SaveConvertedSets(SettingsState& settings, SettingsStorage& storage,
                              LegacyPlatform& legacy, const KeySetTable& table,
                              const MapperOptions& options) {
    const char* loadProblem = SettingsProblem(settings);
    if (SaveSettings(settings, storage, table, options)) {
        DeleteLegacyData(legacy);
        return nullptr;
    }
    const char* why = loadProblem != nullptr ? loadProblem : SettingsProblem(settings);
    std::snprintf(settings.message, sizeof settings.message, "%s\r\n%s", why, kLegacyKeptText);
    return settings.message;
}

// A folder that takes no new file (one under Program Files, say) would lose
// every set made in this run: said at start, before any is made.
bool FolderRefusesFiles(const SettingsState& settings, SettingsStorage& storage) {
    return settings.startupDirectory[0] != u'\0' &&
           !storage.FolderTakesNewFile(settings.startupDirectory);
}

}  // namespace

const char* LoadStartupData(SettingsState& settings, SettingsStorage& storage,
                            LegacyPlatform& legacy, KeySetTable& table, MapperOptions& options) {
    FetchStartupDirectory(settings, storage);
    const bool converted = ConvertLegacyData(table, legacy);
    if (LoadSettings(settings, converted, storage, table, options) == SettingsLoadResult::Loaded) {
        RemoveSaveLeftovers(settings, storage);
    }
    const char* dataProblem = converted
                                  ? SaveConvertedSets(settings, storage, legacy, table, options)
                                  : SettingsProblem(settings);
    if (!FolderRefusesFiles(settings, storage)) {
        return dataProblem;
    }
    char folder[kSettingsMessageSize / 2];
    PathMessageText(settings.startupDirectory, folder, sizeof folder, storage);
    char both[kSettingsMessageSize];
    char folderProblem[kSettingsMessageSize];
    std::snprintf(folderProblem, sizeof folderProblem, kFolderRefusesFormat, folder);
    std::snprintf(both, sizeof both, "%s%s%s", dataProblem != nullptr ? dataProblem : "",
                  dataProblem != nullptr ? "\r\n\r\n" : "", folderProblem);
    std::snprintf(settings.message, sizeof settings.message, "%s", both);
    return settings.message;
}
