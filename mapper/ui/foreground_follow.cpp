#include "foreground_follow.h"

#include "app.h"
#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"
#include "main_window.h"
#include "mapper/ui/core/ui_texts.h"
#include "window_messages.h"

namespace {

constexpr UINT kFallbackTickMs = 1000;
// Long enough for any path a process can have (the "\\?\" form included).
constexpr DWORD kImagePathSize = 32768;

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

bool IsOwnProgram(HWND window) {
    return ProcessOf(window) == GetCurrentProcessId();
}

BOOL CALLBACK FindDialogOrMenu(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    if (!IsWindowVisible(window) || GetClassNameW(window, className, 16) == 0) {
        return TRUE;
    }
    if (lstrcmpW(className, L"#32770") == 0 || lstrcmpW(className, L"#32768") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// Every dialog and message box of mapper (class "#32770"), and the tray popup
// (class "#32768"), belongs to the interface thread. A switch under a dialog
// would change the set it works on (the delete confirmation names one); one
// under the open popup would rebuild the menu being shown.
bool AnyDialogOrMenuOpen() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogOrMenu, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The level of a token's mandatory label: the last part of its SID.
uint32_t IntegrityOf(HANDLE token) {
    union {
        TOKEN_MANDATORY_LABEL label;
        BYTE room[64];  // the label's SID follows it
    } buffer;
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, &buffer, sizeof buffer, &size)) {
        return 0;
    }
    const PSID sid = buffer.label.Label.Sid;
    const UCHAR parts = *GetSidSubAuthorityCount(sid);
    return parts > 0 ? *GetSidSubAuthority(sid, parts - 1) : 0;
}

// What `process`'s token says of its rights (elevated_notice.h).
ProcessRights RightsOf(HANDLE process) {
    ProcessRights rights = {TokenAnswer::Unknown, false, 0};
    OwnedHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.Receive())) {
        if (GetLastError() == ERROR_ACCESS_DENIED) {
            rights.token = TokenAnswer::AccessDenied;
        }
        return rights;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    rights.token = TokenAnswer::Read;
    rights.elevated =
        GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0;
    rights.integrity = IntegrityOf(token.Get());
    return rights;
}

// The end of the full path `path` (`length` units) that the follower looks
// at, in Shift-JIS as set names are stored: the longest within 255
// characters that starts after a backslash and that Shift-JIS can hold. A
// folder with a character outside it (a user name in Korean) then only cuts
// the ending shorter. False when not even the file name fits.
bool PathEndingToSjis(const wchar_t* path, DWORD length, char* out) {
    constexpr DWORD kLongestEnding = kProgramPathSize / 2 - 1;
    const wchar_t* end = path + length;
    const wchar_t* start = length > kLongestEnding ? end - kLongestEnding : path;
    for (;;) {
        while (start > path && start < end && start[-1] != L'\\') {
            ++start;
        }
        if (start == end) {
            return false;
        }
        if (WideToSjis(start, out, static_cast<int>(kProgramPathSize))) {
            return true;
        }
        ++start;
    }
}

// The end of the full path of the program that owns `window` (above), and
// its rights when `rights` is not null. False when the process cannot be opened or
// asked, or when its file name has a character that Shift-JIS cannot hold
// (no set can carry it).
bool ProgramOfWindow(HWND window, char* path, ProcessRights* rights) {
    const OwnedHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(window)));
    if (!process.Valid()) {
        return false;
    }
    static_assert(kImagePathSize * sizeof(wchar_t) <= 65536, "the path stays on the stack");
    wchar_t fullPath[kImagePathSize];
    DWORD length = kImagePathSize;
    const BOOL named = QueryFullProcessImageNameW(process.Get(), 0, fullPath, &length);
    if (rights != nullptr) {
        *rights = RightsOf(process.Get());
    }
    return named && PathEndingToSjis(fullPath, length, path);
}

class Win32ForegroundSource : public ForegroundSource {
  public:
    bool IsOwnWindow(uintptr_t window) override { return IsOwnProgram(WindowOf(window)); }
    bool ProgramPath(uintptr_t window, char* path) override {
        return ProgramOfWindow(WindowOf(window), path, nullptr);
    }
    bool DialogOrMenuOpen() override { return AnyDialogOrMenuOpen(); }

  private:
    static HWND WindowOf(uintptr_t window) { return reinterpret_cast<HWND>(window); }
};

class Win32NoticeView : public ElevatedNoticeView {
  public:
    explicit Win32NoticeView(HWND mainWindow) : mainWindow_(mainWindow) {}
    // The tray icon, which carries the balloon, is there only while the
    // window is hidden.
    bool ShowTrayBalloon(const char* text) override {
        return !IsWindowVisible(mainWindow_) &&
               ::ShowTrayBalloon(mainWindow_, text, kNoticeCaption);
    }
    void ShowMessageBox(const char* text) override {
        ShowSjisMessage(mainWindow_, text, kNoticeCaption, MB_OK | MB_ICONWARNING);
    }

  private:
    HWND mainWindow_;
};

// Tells the player once per program when Windows will drop the keys that
// mapper sends to the program in front (elevated_notice.h).
void NoteKeysDropped(ForegroundFollow& follow, HWND window) {
    Win32NoticeView view(follow.mainWindow);
    if (IsOwnProgram(window)) {
        if (window == follow.mainWindow) {
            NoteMainWindowInFront(follow.notice, view);
        }
        return;
    }
    char path[kProgramPathSize];
    ProcessRights rights{};
    if (ProgramOfWindow(window, path, &rights)) {
        NoteProgramInFront(follow.notice, view, FileNameOfPath(path),
                           KeysDroppedFor(rights, follow.rights));
    }
}

void LookAt(ForegroundFollow& follow, HWND window) {
    if (window != nullptr) {
        NoteKeysDropped(follow, window);
    }
    Win32ForegroundSource source;
    const int32_t set = SetToFollow(follow.follower, *follow.table, *follow.controls, source,
                                    reinterpret_cast<uintptr_t>(window));
    // While a HOLD button is held its set stays; the follower's choice comes
    // back at the release.
    if (set >= 0 && !DeferSetToHoldRelease(*follow.controls, set)) {
        SelectSetAsFromTrayMenu(follow.mainWindow, set);
    }
}

BOOL CALLBACK FindFollowingWindow(HWND window, LPARAM found) {
    MapperApp* app = IsMainWindow(window) ? AppOf(window) : nullptr;
    if (app != nullptr && app->follow.hook != nullptr) {
        *reinterpret_cast<ForegroundFollow**>(found) = &app->follow;
        return FALSE;
    }
    return TRUE;
}

// The event hook's callback carries no parameter of ours: it runs on this
// thread, whose main window holds the follower.
ForegroundFollow* FollowerOfThisThread() {
    ForegroundFollow* found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFollowingWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK OnForegroundEvent(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
    ForegroundFollow* following = FollowerOfThisThread();
    if (following == nullptr || window == nullptr) {
        return;
    }
    ForegroundFollow& follow = *following;
    NoteForegroundEvent(follow.watch, reinterpret_cast<uintptr_t>(window), IsOwnProgram(window));
    if (follow.timerOn && !ForegroundTimerNeeded(follow.watch)) {
        KillTimer(follow.mainWindow, kFollowTimerId);
        follow.timerOn = false;
    }
    // The event can arrive after the front has moved on; the later change
    // brings its own event.
    if (GetForegroundWindow() == window) {
        LookAt(follow, window);
    }
}

}  // namespace

void FollowTick(ForegroundFollow& follow) {
    HWND front = GetForegroundWindow();
    if (follow.timerOn && NoteForegroundTick(follow.watch, reinterpret_cast<uintptr_t>(front))) {
        LookAt(follow, front);
    }
}

void StartForegroundFollow(ForegroundFollow& follow, HWND mainWindow, KeySetTable& table,
                           EngineControls& controls) {
    follow = ForegroundFollow{mainWindow, &table, &controls, nullptr, false, {}, {}, {}, {}};
    follow.rights = RightsOf(GetCurrentProcess());
    StartElevatedNotice(follow.notice);
    HWND front = GetForegroundWindow();
    StartForegroundWatch(follow.watch, reinterpret_cast<uintptr_t>(front));
    LookAt(follow, front);  // a game already in front when mapper starts
    // Out of context: the system queues the event to this thread, whose
    // message loops (the main one, dialogs, menus) run the callback. Wine 8
    // accepts the hook but raises no foreground event, so there the timer
    // keeps running.
    follow.hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                  OnForegroundEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    follow.timerOn = SetTimer(mainWindow, kFollowTimerId, kFallbackTickMs, nullptr) != 0;
}

void StopForegroundFollow(ForegroundFollow& follow) {
    if (follow.hook != nullptr) {
        UnhookWinEvent(follow.hook);
    }
    if (follow.timerOn) {
        KillTimer(follow.mainWindow, kFollowTimerId);
    }
    follow.hook = nullptr;
    follow.timerOn = false;
}
