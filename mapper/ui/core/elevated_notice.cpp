#include "mapper/ui/core/elevated_notice.h"

#include <cstring>

#include "common/shift_jis.h"
#include "mapper/ui/core/foreground_match.h"
#include "mapper/ui/core/ui_texts.h"

namespace {

constexpr int kNoticeTextSize = 1024;

bool AlreadyTold(const ElevatedNotice& notice, const char* programFileName) {
    for (int32_t i = 0; i < notice.count; ++i) {
        if (SameProgramFileName(notice.programs[i].name, programFileName)) {
            return true;
        }
    }
    return false;
}

NoticeProgram& Remember(ElevatedNotice& notice, const char* programFileName) {
    NoticeProgram& program = notice.programs[notice.next];
    notice.next = (notice.next + 1) % kNoticeProgramCount;
    if (notice.count < kNoticeProgramCount) {
        ++notice.count;
    }
    CopyShiftJisCut(program.name, kNoticeNameSize, programFileName);
    program.waiting = false;
    return program;
}

// The notice for one program: its file name between the two halves.
void NoticeText(const char* programFileName, char (&text)[kNoticeTextSize]) {
    CopyShiftJisCut(text, kNoticeTextSize, kElevatedNoticePrefix);
    std::strcat(text, programFileName);  // fits: both halves and a name are far below the size
    std::strcat(text, kElevatedNoticeSuffix);
}

}  // namespace

void StartElevatedNotice(ElevatedNotice& notice) {
    notice.count = 0;
    notice.next = 0;
}

void NoteProgramInFront(ElevatedNotice& notice, ElevatedNoticeView& view,
                        const char* programFileName, bool keysDropped, bool inTray) {
    if (!keysDropped || AlreadyTold(notice, programFileName)) {
        return;
    }
    NoticeProgram& program = Remember(notice, programFileName);
    if (inTray) {
        char text[kNoticeTextSize];
        NoticeText(program.name, text);
        view.ShowTrayBalloon(text);
    } else {
        program.waiting = true;
    }
}

void NoteMainWindowInFront(ElevatedNotice& notice, ElevatedNoticeView& view) {
    for (int32_t i = 0; i < notice.count; ++i) {
        NoticeProgram& program = notice.programs[i];
        if (program.waiting) {
            // Cleared first: the box's own message loop may bring the window
            // to the front again.
            program.waiting = false;
            char text[kNoticeTextSize];
            NoticeText(program.name, text);
            view.ShowMessageBox(text);
        }
    }
}
