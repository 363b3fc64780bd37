#include "mapper/ui/core/foreground_match.h"

#include <cstring>

#include "common/shift_jis.h"

namespace {

constexpr char kProgramSuffix[] = ".exe";
constexpr size_t kSuffixLength = sizeof kProgramSuffix - 1;

unsigned char FoldAsciiCase(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// The dot and the three letters are single-byte characters whatever comes
// before them: the second byte of a Shift-JIS character is never a blank or a
// dot (IsShiftJisLeadByte), so the end of the name can be read backwards.
bool EndsWithProgramSuffix(const char* text, size_t length) {
    if (length <= kSuffixLength) {
        return false;  // ".exe" alone names no program
    }
    const char* suffix = text + length - kSuffixLength;
    for (size_t i = 0; i < kSuffixLength; ++i) {
        if (FoldAsciiCase(static_cast<unsigned char>(suffix[i])) != kProgramSuffix[i]) {
            return false;
        }
    }
    return true;
}

// Whether `setName` ends with the program file name after its start, a
// half-width blank or a full-width one (81 40, what the Japanese input method
// types). The name is walked by characters, so the file name is only found
// where a character starts and the blank before it is a whole character.
bool NameEndsWithProgram(const char* setName, const char* program, size_t programLength) {
    const size_t nameLength = std::strlen(setName);
    if (nameLength < programLength) {
        return false;
    }
    const size_t start = nameLength - programLength;
    size_t at = 0;
    bool afterBoundary = true;  // the name's start
    while (at < start) {
        const bool lead = IsShiftJisLeadByte(setName[at]);
        afterBoundary = lead ? static_cast<unsigned char>(setName[at]) == 0x81 &&
                                   static_cast<unsigned char>(setName[at + 1]) == 0x40
                             : setName[at] == ' ';
        at += lead ? 2 : 1;
    }
    return at == start && afterBoundary && SameProgramFileName(setName + start, program);
}

}  // namespace

bool SameProgramFileName(const char* a, const char* b) {
    size_t i = 0;
    for (;;) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[i]);
        if (byteA == '\0' || byteB == '\0') {
            return byteA == byteB;
        }
        if (IsShiftJisLeadByte(a[i])) {
            if (byteA != byteB || a[i + 1] != b[i + 1]) {
                return false;
            }
            if (a[i + 1] == '\0') {
                return true;  // both end on the same lone lead byte
            }
            i += 2;
            continue;
        }
        if (FoldAsciiCase(byteA) != FoldAsciiCase(byteB)) {
            return false;
        }
        ++i;
    }
}

int32_t SetForProgram(const KeySetTable& table, const char* programFileName) {
    const size_t programLength = std::strlen(programFileName);
    if (!EndsWithProgramSuffix(programFileName, programLength)) {
        return -1;
    }
    const int32_t highest = table.SetKeyCount.load();
    for (int32_t set = 0; set <= highest && set < kMaxSets; ++set) {
        if (NameEndsWithProgram(table.Names[set], programFileName, programLength)) {
            return set;
        }
    }
    return -1;
}

bool MayFollowForeground(const EngineState& engine, bool dialogOpen) {
    return !dialogOpen && engine.ControlEnabled.load() != 0 &&
           engine.EngineMode.load() == EngineMapping;
}

void StartForegroundWatch(ForegroundWatch& watch, uintptr_t frontWindow) {
    watch.lastWindow = frontWindow;
    watch.eventsDelivered = false;
}

void NoteForegroundEvent(ForegroundWatch& watch, uintptr_t window, bool ownProgram) {
    watch.lastWindow = window;
    // Events about mapper's own windows may come from its own thread even
    // where the system delivers none about other programs.
    if (!ownProgram) {
        watch.eventsDelivered = true;
    }
}

bool NoteForegroundTick(ForegroundWatch& watch, uintptr_t frontWindow) {
    if (watch.eventsDelivered || frontWindow == 0 || frontWindow == watch.lastWindow) {
        return false;
    }
    watch.lastWindow = frontWindow;
    return true;
}

bool ForegroundTimerNeeded(const ForegroundWatch& watch) {
    return !watch.eventsDelivered;
}

int32_t SetToFollow(ForegroundFollower& follower, const KeySetTable& table,
                    const EngineState& engine, ForegroundSource& source, uintptr_t window) {
    if (window == 0 || source.IsOwnWindow(window) ||
        !MayFollowForeground(engine, source.DialogOrMenuOpen())) {
        return -1;
    }
    char program[kProgramNameSize];
    if (!source.ProgramFileName(window, program)) {
        program[0] = '\0';  // a program we may not ask about: no set is its
    }
    if (SameProgramFileName(program, follower.lastProgram)) {
        return -1;
    }
    std::memcpy(follower.lastProgram, program, std::strlen(program) + 1);
    const int32_t set = program[0] != '\0' ? SetForProgram(table, program) : -1;
    return set != table.ActiveSet.load() ? set : -1;
}
