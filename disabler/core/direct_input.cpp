// The DirectInput half of disabler: which filters a game needs, writing
// them beside it, and the undo.
#include "disabler/core/direct_input.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/shift_jis.h"
#include "disabler/core/disabler_texts_sjis.h"
#include "disabler/core/patch.h"

namespace {

// A byte string looked for in a file, ASCII letters in any case.
struct Needle {
    std::vector<unsigned char> bytes;  // letters in lower case
    bool found = false;
};

unsigned char Lower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

Needle Ascii(const char* text, size_t length) {
    Needle needle;
    for (size_t i = 0; i < length; ++i) {
        needle.bytes.push_back(Lower(static_cast<unsigned char>(text[i])));
    }
    return needle;
}

// The same text as UTF-16LE, the form of wide strings and version blocks.
Needle Utf16(const char* text, size_t length) {
    Needle needle;
    for (size_t i = 0; i < length; ++i) {
        needle.bytes.push_back(Lower(static_cast<unsigned char>(text[i])));
        needle.bytes.push_back(0);
    }
    return needle;
}

bool MatchesAt(const unsigned char* bytes, const Needle& needle) {
    for (size_t i = 0; i < needle.bytes.size(); ++i) {
        if (Lower(bytes[i]) != needle.bytes[i]) {
            return false;
        }
    }
    return true;
}

// Reads `file` once, in chunks that overlap by the longest needle, and marks
// each needle found anywhere in it; false when a read fails before the end.
bool FindInFile(PatchFile& file, std::vector<Needle>& needles) {
    uint64_t size = 0;
    if (!file.QuerySize(size)) {
        return false;
    }
    size_t overlap = 0;
    for (const Needle& needle : needles) {
        overlap = std::max(overlap, needle.bytes.size());
    }
    std::vector<unsigned char> buffer(kScanChunkBytes + overlap);
    size_t kept = 0;  // bytes of the previous chunk at the start of the buffer
    for (uint64_t offset = 0; offset < size;) {
        const size_t request =
            static_cast<size_t>(std::min<uint64_t>(kScanChunkBytes, size - offset));
        const size_t got = file.ReadAt(offset, buffer.data() + kept, request);
        if (got == 0) {
            return false;
        }
        const size_t length = kept + got;
        for (Needle& needle : needles) {
            const size_t n = needle.bytes.size();
            for (size_t at = 0; !needle.found && at + n <= length; ++at) {
                needle.found = MatchesAt(buffer.data() + at, needle);
            }
        }
        kept = std::min(length, overlap - 1);
        std::memmove(buffer.data(), buffer.data() + length - kept, kept);
        offset += got;
    }
    return true;
}

uint32_t ReadLE(PatchFile& file, uint64_t offset, size_t count) {
    unsigned char bytes[4] = {};
    if (file.ReadAt(offset, bytes, count) != count) {
        return 0;
    }
    uint32_t value = 0;
    for (size_t i = count; i-- > 0;) {
        value = value << 8 | bytes[i];
    }
    return value;
}

// The machine field of the PE header that the DOS header's e_lfanew points
// at.
Machine ReadMachine(PatchFile& file) {
    if (ReadLE(file, 0, 2) != 0x5A4D) {  // "MZ"
        return Machine::Unknown;
    }
    const uint32_t header = ReadLE(file, 0x3C, 4);
    if (ReadLE(file, header, 4) != 0x4550) {  // "PE\0\0"
        return Machine::Unknown;
    }
    switch (ReadLE(file, header + 4, 2)) {
        case 0x014C:
            return Machine::I686;
        case 0x8664:
            return Machine::X86_64;
        default:
            return Machine::Unknown;
    }
}

// "<folder of path><name>"; false when it does not fit.
bool BesideGame(const char* path, const char* name, char (&dllPath)[kMaxFilterPath]) {
    const char* folderEnd = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (IsShiftJisLeadByte(*c) && c[1] != '\0') {
            ++c;  // its second byte may be a backslash
        } else if (*c == '\\' || *c == '/') {
            folderEnd = c + 1;
        }
    }
    const size_t folder = static_cast<size_t>(folderEnd - path);
    const size_t length = std::strlen(name);
    if (folder + length + 1 > kMaxFilterPath) {
        return false;
    }
    std::memcpy(dllPath, path, folder);
    std::memcpy(dllPath + folder, name, length + 1);
    return true;
}

// Writes `size` bytes of `data` as the new file `path` and puts it on the
// disk; a file that could not be written whole is removed.
bool WriteNewFile(PatchPlatform& platform, const char* path, const void* data, size_t size) {
    PatchFile* file = platform.CreateNew(path);
    if (file == nullptr) {
        return false;
    }
    const bool written = file->WriteAt(0, data, size) == size && FileFlushed(file->Flush());
    file->Close();
    if (!written) {
        platform.Remove(path);
    }
    return written;
}

enum class Existing { None, Own, Foreign };

Existing WhatIsAt(PatchPlatform& platform, const char* path) {
    PatchFile* file = platform.OpenRead(path);
    if (file == nullptr) {
        return Existing::None;
    }
    const bool own = IsOwnFilter(*file);
    file->Close();
    return own ? Existing::Own : Existing::Foreign;
}

FilterResult PlaceFilter(PatchPlatform& platform, const char* name, bool x86_64,
                         const char* dllPath) {
    const void* data = nullptr;
    size_t size = 0;
    if (!platform.CarriedFilter(name, x86_64, data, size)) {
        return FilterResult::Failed;
    }
    switch (WhatIsAt(platform, dllPath)) {
        case Existing::Foreign:
            return FilterResult::Foreign;
        case Existing::Own:
            // An older filter, or one of the other architecture: replaced.
            if (!platform.Remove(dllPath)) {
                return FilterResult::Failed;
            }
            break;
        case Existing::None:
            break;
    }
    return WriteNewFile(platform, dllPath, data, size) ? FilterResult::Placed
                                                       : FilterResult::Failed;
}

// Appends `part` to the zero-terminated `message` of `capacity` bytes, cut
// rather than overrun.
void Append(char* message, size_t capacity, const char* part) {
    const size_t used = std::strlen(message);
    const size_t length = std::min(std::strlen(part), capacity - 1 - used);
    std::memcpy(message + used, part, length);
    message[used + length] = '\0';
}

// Puts the game back from its backup when there is one; false when that
// failed.
bool RestoreExecutable(PatchPlatform& platform, const char* path, const char* backupPath) {
    PatchFile* backup = platform.OpenRead(backupPath);
    if (backup == nullptr) {
        return true;  // never patched, or already put back
    }
    backup->Close();
    return platform.MoveOver(backupPath, path);
}

}  // namespace

GameDirectInput ReadGameDirectInput(PatchFile& game) {
    std::vector<Needle> needles;
    for (const char* name : kFilterNames) {
        needles.push_back(Ascii(name, std::strlen(name)));
        needles.push_back(Utf16(name, std::strlen(name)));
    }
    GameDirectInput found;
    found.readFailed = !FindInFile(game, needles);
    for (size_t i = 0; i < kFilterCount; ++i) {
        found.names[i] = needles[2 * i].found || needles[2 * i + 1].found;
    }
    found.machine = ReadMachine(game);
    return found;
}

bool IsOwnFilter(PatchFile& file) {
    // The "ProductName" string of a version block: its key, the padding to
    // the next four bytes, its value.
    static const char kProduct[] = "ProductName\0\0Pamuro";  // and its zero
    std::vector<Needle> needles = {Utf16(kProduct, sizeof kProduct)};
    return FindInFile(file, needles) && needles[0].found;
}

void PlaceFilters(PatchPlatform& platform, const char* path, const GameDirectInput& game,
                  FilterResult results[kFilterCount], char dllPaths[][kMaxFilterPath]) {
    for (size_t i = 0; i < kFilterCount; ++i) {
        results[i] = FilterResult::NotNeeded;
        dllPaths[i][0] = '\0';
        if (!game.names[i] || game.machine == Machine::Unknown) {
            continue;
        }
        results[i] = BesideGame(path, kFilterNames[i], dllPaths[i])
                         ? PlaceFilter(platform, kFilterNames[i], game.machine == Machine::X86_64,
                                       dllPaths[i])
                         : FilterResult::Failed;
    }
}

void DescribeFilters(const FilterResult results[kFilterCount],
                     const char dllPaths[][kMaxFilterPath], char* text, size_t capacity) {
    text[0] = '\0';
    for (size_t i = 0; i < kFilterCount; ++i) {
        if (results[i] == FilterResult::NotNeeded) {
            continue;
        }
        Append(text, capacity, text[0] != '\0' ? "\r\n" : "");
        if (results[i] == FilterResult::Placed) {
            Append(text, capacity, kFilterPlacedBefore);
        }
        Append(text, capacity, dllPaths[i]);
        Append(text, capacity,
               results[i] == FilterResult::Placed    ? kFilterPlacedAfter
               : results[i] == FilterResult::Foreign ? kFilterForeignAfter
                                                     : kFilterFailedAfter);
    }
}

bool AnyFilterPlaced(const FilterResult results[kFilterCount]) {
    return std::find(results, results + kFilterCount, FilterResult::Placed) !=
           results + kFilterCount;
}

void UndoDisableJoystick(PatchPlatform& platform, OwnerWindow owner, const char* path) {
    char message[1024 + 3 * kMaxFilterPath] = "";
    const size_t capacity = sizeof message;
    char backupPath[kMaxFilterPath];
    const size_t length = std::strlen(path);
    if (length == 0) {
        // Never the current folder's files in place of a game's.
        platform.ShowMessage(owner, kUndoWithoutPath, nullptr);
        return;
    }
    if (length + 5 > sizeof backupPath) {
        Append(message, capacity, path);
        Append(message, capacity, kUndoFailed);
        platform.ShowMessage(owner, message, nullptr);
        return;
    }
    std::memcpy(backupPath, path, length);
    std::memcpy(backupPath + length, ".BAK", 5);
    if (!RestoreExecutable(platform, path, backupPath)) {
        Append(message, capacity, path);
        Append(message, capacity, kUndoFailed);
    }
    for (const char* name : kFilterNames) {
        char dllPath[kMaxFilterPath];
        if (BesideGame(path, name, dllPath) && WhatIsAt(platform, dllPath) == Existing::Own &&
            !platform.Remove(dllPath)) {
            Append(message, capacity, message[0] != '\0' ? "\r\n" : "");
            Append(message, capacity, dllPath);
            Append(message, capacity, kUndoFailed);
        }
    }
    platform.ShowMessage(owner, message[0] != '\0' ? message : kUndone, nullptr);
}
