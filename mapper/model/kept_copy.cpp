#include "mapper/model/kept_copy.h"

bool IsStaleCopy(const KeptCopies& copies, int n, bool topIniThere, uint64_t topIniTime) {
    return copies.there[n] && topIniThere && copies.time[n] <= topIniTime;
}

int ChooseKeptCopy(const KeptCopies& copies, bool topIniThere, uint64_t topIniTime) {
    int chosen = -1;
    for (int n = 0; n < kTemporaryNames; ++n) {
        if (copies.there[n] && !IsStaleCopy(copies, n, topIniThere, topIniTime) &&
            (chosen < 0 || copies.time[n] > copies.time[chosen])) {
            chosen = n;
        }
    }
    return chosen;
}
