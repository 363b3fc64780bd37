#include "mapper/ui/core/elevated_notice.h"

#include <cstring>

#include "common/shift_jis.h"
#include "mapper/ui/core/foreground_match.h"
#include "mapper/ui/core/ui_texts.h"

namespace {

constexpr int kNoticeTextSize = 1024;

NoticeProgram* Find(ElevatedNotice& notice, const char* programFileName) {
    for (int32_t i = 0; i < notice.count; ++i) {
        if (SameProgramFileName(notice.programs[i].name, programFileName)) {
            return &notice.programs[i];
        }
    }
    return nullptr;
}

// A free entry, else the oldest one that has been told; null when every
// entry still waits for its box.
NoticeProgram* Remember(ElevatedNotice& notice, const char* programFileName) {
    NoticeProgram* program = nullptr;
    if (notice.count < kNoticeProgramCount) {
        program = &notice.programs[notice.count++];
    }
    for (int32_t i = 0; program == nullptr && i < kNoticeProgramCount; ++i) {
        const int32_t at = (notice.next + i) % kNoticeProgramCount;
        if (notice.programs[at].told) {
            program = &notice.programs[at];
            notice.next = (at + 1) % kNoticeProgramCount;
        }
    }
    if (program != nullptr) {
        CopyShiftJisCut(program->name, kNoticeNameSize, programFileName);
        program->ballooned = false;
        program->told = false;
    }
    return program;
}

// The notice for one program: its file name between the two halves.
void NoticeText(const char* programFileName, char (&text)[kNoticeTextSize]) {
    CopyShiftJisCut(text, kNoticeTextSize, kElevatedNoticePrefix);
    std::strcat(text, programFileName);  // fits: both halves and a name are far below the size
    std::strcat(text, kElevatedNoticeSuffix);
}

}  // namespace

bool KeysDroppedFor(const ProcessRights& program, const ProcessRights& mapper) {
    switch (program.token) {
        case TokenAnswer::AccessDenied:
            return true;
        case TokenAnswer::Read:
            return (program.elevated && !mapper.elevated) ||
                   (mapper.integrity != 0 && program.integrity > mapper.integrity);
        default:
            return false;
    }
}

void StartElevatedNotice(ElevatedNotice& notice) {
    notice.count = 0;
    notice.next = 0;
}

void NoteProgramInFront(ElevatedNotice& notice, ElevatedNoticeView& view,
                        const char* programFileName, bool keysDropped) {
    if (!keysDropped) {
        return;
    }
    NoticeProgram* program = Find(notice, programFileName);
    if (program == nullptr) {
        program = Remember(notice, programFileName);
    }
    // A balloon not shown (mapper was not in the tray) is tried again the
    // next time the program comes to the front, until its box is shown.
    if (program != nullptr && !program->told && !program->ballooned) {
        char text[kNoticeTextSize];
        NoticeText(program->name, text);
        program->ballooned = view.ShowTrayBalloon(text);
    }
}

void NoteMainWindowInFront(ElevatedNotice& notice, ElevatedNoticeView& view) {
    for (int32_t i = 0; i < notice.count; ++i) {
        NoticeProgram& program = notice.programs[i];
        if (!program.told) {
            // Marked first: the box's own message loop may bring the window
            // to the front again.
            program.told = true;
            char text[kNoticeTextSize];
            NoticeText(program.name, text);
            view.ShowMessageBox(text);
        }
    }
}
