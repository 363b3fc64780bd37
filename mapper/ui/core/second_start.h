#pragma once
// One mapper per user session, also across elevation: two would press every
// key twice and overwrite each other's sets. What a start does when it finds
// another mapper running, from what it could learn of that one; the asking
// is mapper_main.cpp's.
#include <cstdint>

// What the creation of mapper's named mutex said.
enum class MutexOutcome : uint8_t {
    Created,       // no other mapper runs
    AlreadyThere,  // another runs, at this start's elevation or below
    AccessDenied,  // another runs elevated and this start is not
};

// What the running mapper told, through its window and what it publishes.
struct RunningMapper {
    bool answered;    // its window answered within 2 seconds
    bool elevated;    // it runs as administrator
    bool sameFolder;  // its start-up folder (where its Top.ini lives) is this start's
};

enum class SecondStartStep : uint8_t {
    Run,                    // no other mapper: start
    CloseRunningThenStart,  // ask it to close (saves, lets go of its keys), wait, then start
    ShowRunning,            // show its window and end
    ShowRunningElsewhere,   // show its window, say which folder it runs from, and end
    SayAlreadyRunning,      // say it runs already and must be ended first, and end
};

// A start run as administrator takes over from a mapper that is not, so that
// the keys reach an elevated game; any other second start leaves the running
// one in charge. One that does not answer cannot be shown or asked.
SecondStartStep DecideSecondStart(MutexOutcome mutex, bool thisElevated,
                                  const RunningMapper& running);
