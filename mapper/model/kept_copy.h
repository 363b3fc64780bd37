#pragma once
// A save whose temporary file ("Top.~n") was written but could not be moved
// over Top.ini keeps that file: it then holds the newest sets. The next start
// loads the newest such copy that is newer than Top.ini; older ones are
// leftovers.
#include <cstdint>

#include "mapper/model/settings_storage.h"

struct KeptCopies {
    bool there[kTemporaryNames];
    uint64_t time[kTemporaryNames];  // last-write time of each that is there
};

// The copy to load: the newest one newer than Top.ini, last written at
// `topIniTime`, or the newest of all when Top.ini is missing; -1 for none.
int ChooseKeptCopy(const KeptCopies& copies, bool topIniThere, uint64_t topIniTime);

// Whether copy `n` is a leftover to delete: not newer than Top.ini.
bool IsStaleCopy(const KeptCopies& copies, int n, bool topIniThere, uint64_t topIniTime);
