#include "mapper/model/startup_data.h"

#include <cstdio>
#include <cstring>

#include "common/shift_jis.h"
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

// A Tolvin.dat that cannot be deleted (an old release run as administrator
// left it in the Windows folder) would otherwise be converted at every start,
// over every set edited since: Top.ini notes which file its sets came from.
bool ConvertLegacyOnce(SettingsState& settings, SettingsStorage& storage, LegacyPlatform& legacy,
                       KeySetTable& table) {
    char stamp[kLegacyStampSize];
    if (!LegacyDataStamp(legacy, stamp) || LegacyDataSaved(settings, storage, stamp) ||
        !ConvertLegacyData(table, legacy)) {
        return false;
    }
    static_assert(kLegacyStampSize <= kLegacyDoneSize, "the stamp fits the settings");
    std::memcpy(settings.legacyDone, stamp, sizeof stamp);
    return true;
}

// A folder that takes no new file (one under Program Files, say) would lose
// every set made in this run: said at start, before any is made.
bool FolderRefusesFiles(const SettingsState& settings, SettingsStorage& storage) {
    return settings.startupDirectory[0] != u'\0' && settings.savePath[0] == u'\0' &&
           !storage.FolderTakesNewFile(settings.startupDirectory);
}

// Appends `text` to the text in out[0..size-1], cut at a whole character.
void AppendText(char* out, size_t size, const char* text) {
    const size_t used = std::strlen(out);
    const size_t length = ShiftJisCutLength(text, std::strlen(text), size - 1 - used);
    std::memcpy(out + used, text, length);
    out[used + length] = '\0';
}

}  // namespace

const char* LoadStartupData(SettingsState& settings, SettingsStorage& storage,
                            LegacyPlatform& legacy, KeySetTable& table, MapperOptions& options) {
    FetchStartupDirectory(settings, storage);
    const bool converted = ConvertLegacyOnce(settings, storage, legacy, table);
    LoadSettings(settings, converted, storage, table, options);
    const char* dataProblem = converted
                                  ? SaveConvertedSets(settings, storage, legacy, table, options)
                                  : SettingsProblem(settings);
    if (!FolderRefusesFiles(settings, storage)) {
        return dataProblem;
    }
    char folder[kSettingsMessageSize / 2];
    PathMessageText(settings.startupDirectory, folder, sizeof folder, storage);
    char folderProblem[kSettingsMessageSize];
    std::snprintf(folderProblem, sizeof folderProblem, kFolderRefusesFormat, folder);
    if (dataProblem == nullptr) {
        settings.message[0] = '\0';
    } else if (dataProblem != settings.message) {
        std::snprintf(settings.message, sizeof settings.message, "%s", dataProblem);
    }
    if (dataProblem != nullptr) {
        AppendText(settings.message, sizeof settings.message, "\r\n\r\n");
    }
    AppendText(settings.message, sizeof settings.message, folderProblem);
    return settings.message;
}
