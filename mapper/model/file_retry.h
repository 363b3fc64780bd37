#pragma once
// Antivirus programs, indexers and sync clients open a file for a moment
// right after it changes. A read of Top.ini, the write of its temporary file
// or the move that meets one of them fails with a sharing violation, a lock
// violation or access denied; such a failure is tried again for about a
// second before the save counts as failed.
#include <cstdint>

constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorLockViolation = 33;

constexpr int kFileTries = 20;
constexpr uint32_t kFileRetryPauseMs = 50;

// Whether a file operation that failed with `error` may work a moment later.
bool IsMomentaryFileError(uint32_t error);

// Runs `attempt` (0 when it worked, else the system's error code) until it
// works, fails otherwise than for a moment, or has had kFileTries tries, with
// pause(kFileRetryPauseMs) between two tries. Returns the last result.
template <typename Attempt, typename Pause>
uint32_t RetryMomentary(Attempt&& attempt, Pause&& pause) {
    uint32_t error = attempt();
    for (int tries = 1; tries < kFileTries && IsMomentaryFileError(error); ++tries) {
        pause(kFileRetryPauseMs);
        error = attempt();
    }
    return error;
}
