#pragma once
// Saving soon after a change, so that a crash, a kill or a power cut loses at
// most the last second's change. The interface thread notes every change (a
// captured key, a set made, deleted or renamed, the settings dialog's OK),
// re-arms a timer of kSaveSoonDelayMs each time, and calls SaveSoonDue when
// it runs out. A failing save stays pending and is tried again later, ever
// less often; each kind of failure is reported once until a save works
// again. The exit's save still reports every time.
#include <cstdint>

#include "mapper/model/settings.h"

// About one second after the last change.
constexpr uint32_t kSaveSoonDelayMs = 1000;
// A failed timed save is tried again after 2, 4, 8 ... and at most 60 seconds.
constexpr uint32_t kSaveRetryFirstMs = 2000;
constexpr uint32_t kSaveRetryLongestMs = 60000;

struct SaveSoonState {
    bool pending;            // a change not yet saved by a timed save
    uint32_t reportedKinds;  // bit per SaveFailure already told since the last good save
    uint32_t retryDelayMs;   // after a failed timed save: when to try again; else 0
};

// A change was made: returns the delay after which the caller's (re-armed)
// timer calls SaveSoonDue.
uint32_t NoteChange(SaveSoonState& soon);

// The timer ran out: saves, if a change is pending, as the exit does. After
// a failure the change stays pending and soon.retryDelayMs says when the
// caller's timer calls again. Returns the message to show, or nullptr when
// the save went well, nothing was pending, or this kind of failure was told
// since the last good save.
const char* SaveSoonDue(SaveSoonState& soon, SettingsState& settings, SettingsStorage& storage,
                        const KeySetTable& table, const MapperOptions& options);
