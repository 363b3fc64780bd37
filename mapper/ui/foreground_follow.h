#pragma once
// Follows the window in front and makes the key set of its program active,
// as mapper/ui/core/foreground_match.h decides, and tells the player when
// Windows drops the keys sent to it (mapper/ui/core/elevated_notice.h); this
// half only asks Windows.
// Interface thread only.
#include <windows.h>

#include "mapper/engine/engine.h"
#include "mapper/model/keyset_table.h"
#include "mapper/ui/core/elevated_notice.h"
#include "mapper/ui/core/foreground_match.h"

struct ForegroundFollow {
    HWND mainWindow;  // takes the set entries' commands, as from the tray menu
    KeySetTable* table;
    EngineControls* controls;  // read, and told of a choice while a HOLD is held
    HWINEVENTHOOK hook;
    bool timerOn;  // the slow fallback (kFollowTimerId); off once events have shown up
    ForegroundWatch watch;
    ForegroundFollower follower;
    ProcessRights rights;  // mapper's own
    ElevatedNotice notice;
};

// Follows the program in front now at once, then starts following with the
// foreground event, and with the slow timer until the first event about
// another program arrives. `follow` must outlive the message loop.
void StartForegroundFollow(ForegroundFollow& follow, HWND mainWindow, KeySetTable& table,
                           EngineControls& controls);
// The main window's kFollowTimerId ran out: looks at the window in front.
void FollowTick(ForegroundFollow& follow);
// Stops following, after the message loop.
void StopForegroundFollow(ForegroundFollow& follow);
