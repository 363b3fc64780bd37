#include "mapper/model/startup_data.h"

#include <cstdio>

#include "mapper/model/model_texts_sjis.h"

const char* LoadStartupData(SettingsState& settings, SettingsStorage& storage,
                            LegacyPlatform& legacy, KeySetTable& table, MapperOptions& options) {
    FetchStartupDirectory(settings, storage);
    const bool converted = ConvertLegacyData(table, legacy);
    LoadSettings(settings, converted, storage, table, options);
    const char* loadProblem = SettingsProblem(settings);
    if (!converted) {
        return loadProblem;
    }
    // Until the converted sets are in Top.ini, Tolvin.dat is their only copy.
    if (SaveSettings(settings, storage, table, options)) {
        DeleteLegacyData(legacy);
        return nullptr;
    }
    const char* why = loadProblem != nullptr ? loadProblem : SettingsProblem(settings);
    std::snprintf(settings.message, sizeof settings.message, "%s\r\n%s", why, kLegacyKeptText);
    return settings.message;
}
