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

// The program file name that ends `setName`: the text after its last blank,
// or the whole name when it has none, provided that text ends in ".exe" (any
// case of the ASCII letters) with something before it. Null when the name
// names no program.
const char* ProgramFileNameOf(const char* setName) {
    const char* lastBlank = std::strrchr(setName, ' ');
    const char* fileName = lastBlank != nullptr ? lastBlank + 1 : setName;
    return EndsWithProgramSuffix(fileName, std::strlen(fileName)) ? fileName : nullptr;
}

// Whether two program file names are the same, as Windows compares file
// names: ASCII letters in any case, the two bytes of a double-byte character
// exactly (its second byte may look like a letter, and must not be folded).
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

}  // namespace

int32_t SetForProgram(const KeySetTable& table, const char* programFileName) {
    const int32_t highest = table.SetKeyCount.load();
    for (int32_t set = 0; set <= highest && set < kMaxSets; ++set) {
        const char* own = ProgramFileNameOf(table.Names[set]);
        if (own != nullptr && SameProgramFileName(own, programFileName)) {
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
