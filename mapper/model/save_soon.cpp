#include "mapper/model/save_soon.h"

namespace {

uint32_t NextRetryDelay(uint32_t last) {
    if (last == 0) {
        return kSaveRetryFirstMs;
    }
    return last >= kSaveRetryLongestMs / 2 ? kSaveRetryLongestMs : last * 2;
}

}  // namespace

uint32_t NoteChange(SaveSoonState& soon) {
    soon.pending = true;
    return kSaveSoonDelayMs;
}

const char* SaveSoonDue(SaveSoonState& soon, SettingsState& settings, SettingsStorage& storage,
                        const KeySetTable& table, const MapperOptions& options) {
    if (!soon.pending) {
        return nullptr;
    }
    if (SaveSettings(settings, storage, table, options)) {
        soon = SaveSoonState{};
        return nullptr;
    }
    soon.retryDelayMs = NextRetryDelay(soon.retryDelayMs);
    const uint32_t kind = 1u << static_cast<uint32_t>(settings.failure);
    if ((soon.reportedKinds & kind) != 0) {
        return nullptr;
    }
    soon.reportedKinds |= kind;
    return SettingsProblem(settings);
}
