#pragma once
// The key set follows the game in front: a set whose name ends with a program
// file name ("シューティング game.exe", or just "game.exe") belongs to that
// program, and becomes active when a window of the program comes to the front.
// Names and program file names are Shift-JIS bytes, as Top.ini keeps them.
#include <cstdint>

#include "mapper/engine/engine_state.h"
#include "mapper/model/keyset_table.h"

// The lowest index of a set that belongs to the program `programFileName`;
// -1 when none does.
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
