#pragma once
// Windows silently drops every key that a program sends to a window of a
// program above it (elevated, or of a higher integrity level). The player is
// told once per run for each such program, and play is never blocked: a tray
// balloon where one can be shown, and in every case a message box when
// mapper's own window next comes to the front (a box over the game would
// also keep the key set from following it). A balloon may be hidden without
// a word (Focus Assist hides them while a game is in front), so only the box
// counts as told. Program file names are Shift-JIS bytes.
#include <cstdint>

// What mapper could learn about a process's rights from its token.
enum class TokenAnswer : uint8_t {
    Read,
    AccessDenied,  // the process opened, its token did not: another account's admin rights
    Unknown,       // any other failure
};

struct ProcessRights {
    TokenAnswer token;
    bool elevated;       // TokenElevation
    uint32_t integrity;  // the mandatory label's level (0x2000 medium, 0x3000 high); 0 unknown
};

// Whether Windows drops the keys that `mapper` sends to `program`: the
// program runs elevated and mapper does not, or at a higher integrity level,
// or its token is denied to mapper although the process itself opened.
bool KeysDroppedFor(const ProcessRights& program, const ProcessRights& mapper);

// How the notice reaches the player; `text` is the whole notice in Shift-JIS.
class ElevatedNoticeView {
  public:
    virtual ~ElevatedNoticeView() = default;
    // False when no balloon could be shown (mapper is not in the tray, or
    // the shell refused it).
    virtual bool ShowTrayBalloon(const char* text) = 0;
    virtual void ShowMessageBox(const char* text) = 0;
};

// Programs remembered; once all are in use a new program takes the place of
// the oldest one already told by its box (told again should it come back),
// never of one still waiting for its box.
constexpr int kNoticeProgramCount = 32;
// A file name: at most 255 UTF-16 units, two Shift-JIS bytes each.
constexpr int kNoticeNameSize = 512;

struct NoticeProgram {
    char name[kNoticeNameSize];
    bool ballooned;  // a balloon was shown for it
    bool told;       // its message box was shown
};

struct ElevatedNotice {
    NoticeProgram programs[kNoticeProgramCount];
    int32_t count;  // entries in use
    int32_t next;   // where the search for an entry to reuse starts once all are in use
};

void StartElevatedNotice(ElevatedNotice& notice);
// A window of another program came to the front; `keysDropped` as
// KeysDroppedFor says. A program that finds every entry waiting for its box
// is not remembered: it is told when it comes to the front again.
void NoteProgramInFront(ElevatedNotice& notice, ElevatedNoticeView& view,
                        const char* programFileName, bool keysDropped);
// mapper's main window came to the front: the boxes waiting for it are shown.
void NoteMainWindowInFront(ElevatedNotice& notice, ElevatedNoticeView& view);
