#pragma once
// The rule for a flush of a written file, shared by mapper's saves and
// disabler's backups and patches.
#include <cstdint>

// Whether a flush that failed with system error `error` counts as done: file
// systems that cannot flush (network shares, some USB drivers) say so with
// ERROR_INVALID_FUNCTION (1) or ERROR_NOT_SUPPORTED (50), and the data went
// to them all the same.
constexpr bool FlushCountsAsDone(uint32_t error) {
    return error == 1 || error == 50;
}
