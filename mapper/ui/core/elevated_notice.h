#pragma once
// Windows silently drops every key that a program which is not elevated sends
// to a window of an elevated one. The player is told once per run for each
// such program, and play is never blocked: a tray balloon while mapper sits
// in the tray; otherwise a message box, but only when mapper's own window
// next comes to the front (a box over the game would also keep the key set
// from following it). Program file names are Shift-JIS bytes.
#include <cstdint>

// How the notice reaches the player; `text` is the whole notice in Shift-JIS.
class ElevatedNoticeView {
  public:
    virtual ~ElevatedNoticeView() = default;
    virtual void ShowTrayBalloon(const char* text) = 0;
    virtual void ShowMessageBox(const char* text) = 0;
};

// Programs remembered as told; past that many the oldest is forgotten, and
// would be told again.
constexpr int kNoticeProgramCount = 32;
// A file name: at most 255 UTF-16 units, two Shift-JIS bytes each.
constexpr int kNoticeNameSize = 512;

struct NoticeProgram {
    char name[kNoticeNameSize];
    bool waiting;  // for mapper's window to come to the front
};

struct ElevatedNotice {
    NoticeProgram programs[kNoticeProgramCount];
    int32_t count;  // entries in use
    int32_t next;   // the entry a new program takes once all are in use
};

void StartElevatedNotice(ElevatedNotice& notice);
// A window of another program came to the front. `keysDropped`: that program
// runs elevated and mapper does not. `inTray`: mapper's window is hidden.
void NoteProgramInFront(ElevatedNotice& notice, ElevatedNoticeView& view,
                        const char* programFileName, bool keysDropped, bool inTray);
// mapper's main window came to the front: the notices waiting for it are shown.
void NoteMainWindowInFront(ElevatedNotice& notice, ElevatedNoticeView& view);
