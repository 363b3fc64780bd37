#pragma once
// The key set follows the game in front: a set whose name ends with a program
// file name ("シューティング Star Game.exe", or just "Star Game.exe") belongs to
// that program, and becomes active when the program in front changes to it.
// Names and program file names are Shift-JIS bytes, as Top.ini keeps them.
#include <cstddef>
#include <cstdint>

#include "mapper/engine/engine_state.h"
#include "mapper/model/keyset_table.h"

// A file name has at most 255 UTF-16 units, two Shift-JIS bytes each.
constexpr size_t kProgramNameSize = 512;

// Whether two program file names are the same, as Windows compares file
// names: ASCII letters in any case, the two bytes of a double-byte character
// exactly (its second byte may look like a letter, and must not be folded).
bool SameProgramFileName(const char* a, const char* b);

// The lowest index of a set that belongs to the program `programFileName`
// (which must end in ".exe"): the set's name ends with it, ASCII letters in
// any case, after the name's start or a half- or full-width blank. -1 when
// none does.
int32_t SetForProgram(const KeySetTable& table, const char* programFileName);

// Whether a window coming to the front may switch the set now: not while
// paused, while a key is being captured, or while a dialog (or the tray
// popup) of mapper is open.
bool MayFollowForeground(const EngineState& engine, bool dialogOpen);

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
    // The file name of the program that owns `window`, zero-terminated
    // Shift-JIS in `name` (kProgramNameSize bytes); false when it cannot be
    // told (the process refuses, or the name does not fit Shift-JIS).
    virtual bool ProgramFileName(uintptr_t window, char* name) = 0;
    // Whether a dialog, a message box or the tray popup of mapper is open.
    virtual bool DialogOrMenuOpen() = 0;
};

// The follower's memory: the program at the last look, so that only a change
// of program selects a set and a set chosen by hand stays meanwhile.
struct ForegroundFollower {
    char lastProgram[kProgramNameSize];  // empty before the first look, or when unknown
};

// `window` is in front (at start, on an event or a timer tick): the set to
// make active, or -1 for none. Nothing is selected for mapper's own windows,
// while a switch is not allowed, for the program looked at last time, or when
// its set is already active.
int32_t SetToFollow(ForegroundFollower& follower, const KeySetTable& table,
                    const EngineState& engine, ForegroundSource& source, uintptr_t window);
