#include "mapper/model/save_soon.h"

uint32_t NoteChange(SaveSoonState& soon) {
    soon.pending = true;
    return kSaveSoonDelayMs;
}

const char* SaveSoonDue(SaveSoonState& soon, SettingsState& settings, SettingsStorage& storage,
                        const KeySetTable& table, const MapperOptions& options) {
    if (!soon.pending) {
        return nullptr;
    }
    soon.pending = false;
    if (SaveSettings(settings, storage, table, options)) {
        return nullptr;
    }
    const uint32_t kind = 1u << static_cast<uint32_t>(settings.failure);
    if ((soon.reportedKinds & kind) != 0) {
        return nullptr;
    }
    soon.reportedKinds |= kind;
    return SettingsProblem(settings);
}
