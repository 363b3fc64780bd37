#pragma once
// disabler's answer for games that read the pad through DirectInput: its
// filter DLL of the DirectInput name the game uses, for the game's
// architecture, written beside the game (where the game loads it instead of
// the system's), and taken away again by the undo.
#include <cstddef>
#include <cstdint>

#include "disabler/core/patch_platform.h"

// The two names a filter is built in, in the order they are handled.
constexpr const char* kFilterNames[] = {"dinput8.dll", "dinput.dll"};
constexpr size_t kFilterCount = sizeof kFilterNames / sizeof *kFilterNames;

enum class Machine { Unknown, I686, X86_64 };

// What of DirectInput a game executable names, and what it runs on.
struct GameDirectInput {
    // Per kFilterNames: the file names the DLL anywhere in its bytes (its
    // import table, or a string it loads the DLL by; ANSI or UTF-16, any
    // case).
    bool names[kFilterCount] = {};
    Machine machine = Machine::Unknown;  // from the PE header
    bool readFailed = false;             // the file could not be read to its end
};

GameDirectInput ReadGameDirectInput(PatchFile& game);

// Whether `file` is a filter of disabler's: its version block names Pamuro
// as its product. A file that can't be read is another program's.
bool IsOwnFilter(PatchFile& file);

enum class FilterResult {
    NotNeeded,  // the game does not name this DLL, or its architecture is unknown
    Placed,     // disabler's filter is beside the game
    Foreign,    // another program's file of that name is there and was left alone
    Failed,     // the filter could not be written
};

// For the game at `path` (Shift-JIS) as `game` describes it: writes the
// filter of each name it uses beside it, replacing a filter of disabler's
// but never another program's file. `results` and `dllPaths` (each
// kMaxFilterPath bytes) say what became of each name, and where.
constexpr size_t kMaxFilterPath = 260 + 16;
void PlaceFilters(PatchPlatform& platform, const char* path, const GameDirectInput& game,
                  FilterResult results[kFilterCount], char dllPaths[][kMaxFilterPath]);

// What PlaceFilters did, one line per filter needed (CR LF between them),
// into `text` of `capacity` bytes; empty when no filter was needed.
void DescribeFilters(const FilterResult results[kFilterCount],
                     const char dllPaths[][kMaxFilterPath], char* text, size_t capacity);
// Whether PlaceFilters placed at least one filter.
bool AnyFilterPlaced(const FilterResult results[kFilterCount]);

// The undo of the button "元に戻す" for the game at `path`: the executable
// back from "<path>.BAK" when there is one (the backup goes, as it was
// before the first run), disabler's own filters beside it deleted, nothing
// else touched; the outcome is told by a message box owned by `owner`.
void UndoDisableJoystick(PatchPlatform& platform, OwnerWindow owner, const char* path);
