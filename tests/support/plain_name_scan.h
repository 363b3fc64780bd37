#pragma once
// The reference that the buffered name scan of disabler is checked against,
// in the unit tests and the fuzz target alike: one read per byte. Test the
// byte at p; at a j read the ten bytes after it, compare the longer name
// first, write at the j, and resume at p + 2 whether or not a name matched.
#include <cstdint>
#include <cstring>

#include "disabler/core/patch.h"

inline ScanResult PlainNameScan(PatchFile& file) {
    bool rewritten = false;
    for (uint64_t p = 0;; p += 2) {
        unsigned char byte;
        while (file.ReadAt(p, &byte, 1) == 1 && byte != 'j') {
            ++p;
        }
        char following[10];
        const size_t got = file.ReadAt(p + 1, following, 10);
        if (got == 0) {
            break;  // no j left, or the j is the last byte
        }
        const char* replacement = nullptr;
        if (got == 10 && std::memcmp(following, "oyGetPosEx", 10) == 0) {
            replacement = "midiInGetID";
        } else if (got >= 8 && std::memcmp(following, "oyGetPos", 8) == 0) {
            replacement = "mmioClose";
        }
        if (replacement != nullptr) {
            const size_t length = std::strlen(replacement);
            if (file.WriteAt(p, replacement, length) != length) {
                return ScanResult::WriteFailed;
            }
            rewritten = true;
        }
    }
    return rewritten ? ScanResult::Rewritten : ScanResult::NoNameFound;
}
