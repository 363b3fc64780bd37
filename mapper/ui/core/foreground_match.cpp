#include "mapper/ui/core/foreground_match.h"

#include <cstring>

#include "common/shift_jis.h"

namespace {

constexpr char kProgramSuffix[] = ".exe";
constexpr size_t kSuffixLength = sizeof kProgramSuffix - 1;

// The character at `text` in one case, as a number (a single byte as itself,
// a two-byte one as lead * 256 + trail), its length in `length`. Windows
// folds the full-width Latin letters too: ａ..ｚ (82 81..82 9A) to Ａ..Ｚ
// (82 60..82 79). A lead byte that ends the text stands alone.
unsigned FoldedCharacter(const char* text, size_t& length) {
    const auto first = static_cast<unsigned char>(text[0]);
    if (!IsShiftJisLeadByte(text[0]) || text[1] == '\0') {
        length = 1;
        return first >= 'a' && first <= 'z' ? first - 'a' + 'A' : first;
    }
    length = 2;
    const unsigned code = first << 8 | static_cast<unsigned char>(text[1]);
    return code >= 0x8281 && code <= 0x829A ? code - (0x8281 - 0x8260) : code;
}

// Whether the `length` bytes at `a` and at `b`, each starting a character,
// are the same text as Windows compares file names.
bool SameText(const char* a, const char* b, size_t length) {
    size_t at = 0;
    while (at < length) {
        size_t step = 0, stepB = 0;
        if (FoldedCharacter(a + at, step) != FoldedCharacter(b + at, stepB)) {
            return false;
        }
        at += step;
    }
    return true;
}

// A blank that may come before a program in a set name: a half-width one, or
// a full-width one (81 40, what the Japanese input method types).
bool IsBlank(const char* character, size_t length) {
    return length == 1 ? character[0] == ' '
                       : static_cast<unsigned char>(character[0]) == 0x81 &&
                             static_cast<unsigned char>(character[1]) == 0x40;
}

bool IsProgramFileName(const char* fileName) {
    const size_t length = std::strlen(fileName);
    // ".exe" alone names no program. The dot and the letters can be read
    // backwards: a second byte is never below 0x40, so never a dot.
    return length > kSuffixLength &&
           SameText(fileName + length - kSuffixLength, kProgramSuffix, kSuffixLength);
}

// Where a folder or the file name starts in a path: the path's start, and
// after each backslash that is a character of its own.
struct PathStarts {
    bool at[kProgramPathSize];
};

void FindPathStarts(const char* path, size_t length, PathStarts& starts) {
    std::memset(starts.at, 0, sizeof starts.at);
    starts.at[0] = true;
    for (size_t at = 0, step = 0; at < length; at += step) {
        FoldedCharacter(path + at, step);
        if (step == 1 && path[at] == '\\') {
            starts.at[at + 1] = true;
        }
    }
}

struct SetMatch {
    size_t length;  // of the matching ending; 0 for none
    bool exact;     // the name is that ending alone
};

// The longest ending of `setName` that starts at the name's start or after a
// blank and is the end of the path from one of its starts. The name is walked
// by characters, so an ending starts only where a character does and the
// blank before it is a whole character.
SetMatch MatchSetName(const char* setName, const char* path, size_t pathLength,
                      const PathStarts& starts) {
    const size_t nameLength = std::strlen(setName);
    bool afterBoundary = true;  // the name's start
    for (size_t at = 0, step = 0; at < nameLength; at += step) {
        const size_t ending = nameLength - at;
        if (afterBoundary && ending <= pathLength && starts.at[pathLength - ending] &&
            SameText(setName + at, path + pathLength - ending, ending)) {
            return {ending, at == 0};
        }
        FoldedCharacter(setName + at, step);
        afterBoundary = IsBlank(setName + at, step);
    }
    return {0, false};
}

bool BetterMatch(const SetMatch& match, const SetMatch& best) {
    return match.length > best.length ||
           (match.length == best.length && match.exact && !best.exact);
}

}  // namespace

bool SameProgramFileName(const char* a, const char* b) {
    for (;;) {
        size_t stepA = 0, stepB = 0;
        const unsigned characterA = FoldedCharacter(a, stepA);
        if (characterA != FoldedCharacter(b, stepB)) {
            return false;
        }
        if (characterA == 0) {
            return true;
        }
        a += stepA;
        b += stepB;
    }
}

const char* FileNameOfPath(const char* path) {
    const char* fileName = path;
    for (size_t step = 0; *path != '\0'; path += step) {
        FoldedCharacter(path, step);
        if (step == 1 && *path == '\\') {
            fileName = path + 1;
        }
    }
    return fileName;
}

int32_t SetForProgram(const KeySetTable& table, const char* programPath) {
    const size_t pathLength = std::strlen(programPath);
    if (pathLength >= kProgramPathSize || !IsProgramFileName(FileNameOfPath(programPath))) {
        return -1;
    }
    PathStarts starts;
    FindPathStarts(programPath, pathLength, starts);
    int32_t bestSet = -1;
    SetMatch best = {0, false};
    const int32_t count = SetCount(table);
    for (int32_t set = 0; set < count; ++set) {
        const SetMatch match = MatchSetName(table.Names[set], programPath, pathLength, starts);
        if (BetterMatch(match, best)) {
            best = match;
            bestSet = set;
        }
    }
    return bestSet;
}

bool MayFollowForeground(const EngineControls& controls, bool dialogOpen) {
    return !dialogOpen && controls.ControlEnabled.load() != 0 &&
           controls.Mode.load() == EngineMapping;
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
                    const EngineControls& controls, ForegroundSource& source, uintptr_t window) {
    if (window == 0 || source.IsOwnWindow(window) ||
        !MayFollowForeground(controls, source.DialogOrMenuOpen())) {
        return -1;
    }
    char program[kProgramPathSize];
    if (!source.ProgramPath(window, program)) {
        program[0] = '\0';  // a program we may not ask about: no set is its
    }
    if (SameProgramFileName(program, follower.lastProgram)) {
        return -1;
    }
    std::memcpy(follower.lastProgram, program, std::strlen(program) + 1);
    const int32_t set = program[0] != '\0' ? SetForProgram(table, program) : -1;
    return set != table.ActiveSet.load() ? set : -1;
}
