#pragma once
// The key set follows the game in front: a set whose name ends with a program
// file name ("シューティング Star Game.exe", or just "Star Game.exe"), or with
// folders and the file name ("ＲＰＧ MyQuest\Game.exe"), belongs to that
// program, and becomes active when the program in front changes to it.
// Names and paths are Shift-JIS bytes, as Top.ini keeps them.
#include <cstddef>
#include <cstdint>

#include "mapper/engine/engine.h"
#include "mapper/model/keyset_table.h"

// The end of a program's full path that the follower looks at: it starts at
// the path's start or after a backslash, and holds at least the file name. A
// set name is below 256 bytes, so 255 characters of the path are all it can
// match, two Shift-JIS bytes each.
constexpr size_t kProgramPathSize = 512;

// Whether two program file names or paths are the same, as Windows compares
// them: ASCII and full-width Latin letters in any case, every other
// character exactly (a second byte may look like a letter, and must not be
// folded).
bool SameProgramFileName(const char* a, const char* b);

// The file name at the end of `path`: after its last backslash that is a
// character of its own, not the second byte of one like "ソ" or "表".
const char* FileNameOfPath(const char* path);

// The set that belongs to the program at `programPath` (an ending as above,
// whose file name ends in ".exe"), or -1. A set belongs when its name, from
// its start or after a half- or full-width blank, is the end of the path
// from a backslash on, compared as SameProgramFileName does. The longest
// such ending wins, so "MyQuest\Game.exe" beats "Game.exe"; at equal length
// a name that is the ending alone beats one with text before it; then the
// lowest set.
int32_t SetForProgram(const KeySetTable& table, const char* programPath);

// Whether a window coming to the front may switch the set now: not while
// paused, while a key is being captured, or while a dialog (or the tray
// popup) of mapper is open.
bool MayFollowForeground(const EngineControls& controls, bool dialogOpen);

// Which front-window changes are worth a look. The system's foreground event
// is the source; a slow timer stands in only until the first event about
// another program's window shows that the events are delivered.
struct ForegroundWatch {
    uintptr_t lastWindow;  // the front window at the last look, 0 for none
    bool eventsDelivered;
};

// Starts the watch with the window in front now, which is not itself a change.
void StartForegroundWatch(ForegroundWatch& watch, uintptr_t frontWindow);
// Records a foreground event about `window`; every event is worth a look.
void NoteForegroundEvent(ForegroundWatch& watch, uintptr_t window, bool ownProgram);
// A timer tick that found `frontWindow` in front: worth a look only while no
// event has been delivered and the window is another than at the last look.
bool NoteForegroundTick(ForegroundWatch& watch, uintptr_t frontWindow);
// Whether the timer is still needed.
bool ForegroundTimerNeeded(const ForegroundWatch& watch);

// What the follower asks the system about a window in front. Win32 serves it
// in mapper/ui/foreground_follow.cpp; the tests script it.
class ForegroundSource {
  public:
    virtual ~ForegroundSource() = default;
    // Whether `window` is one of mapper's own (main window, dialogs, menus).
    virtual bool IsOwnWindow(uintptr_t window) = 0;
    // The end of the full path of the program that owns `window`, as
    // kProgramPathSize says, zero-terminated Shift-JIS in `path`
    // (kProgramPathSize bytes); false when it cannot be told (the process
    // refuses, or its file name does not fit Shift-JIS).
    virtual bool ProgramPath(uintptr_t window, char* path) = 0;
    // Whether a dialog, a message box or the tray popup of mapper is open.
    virtual bool DialogOrMenuOpen() = 0;
};

// The follower's memory: the program at the last look, so that only a change
// of program selects a set and a set chosen by hand stays meanwhile.
struct ForegroundFollower {
    char lastProgram[kProgramPathSize];  // empty before the first look, or when unknown
};

// `window` is in front (at start, on an event or a timer tick): the set to
// make active, or -1 for none. Nothing is selected for mapper's own windows,
// while a switch is not allowed, for the program looked at last time, or when
// its set is already active.
int32_t SetToFollow(ForegroundFollower& follower, const KeySetTable& table,
                    const EngineControls& controls, ForegroundSource& source, uintptr_t window);
