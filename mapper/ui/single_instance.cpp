#include "single_instance.h"

#include <windows.h>

#include <string>

#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"
#include "main_window.h"
#include "mapper/model/settings.h"
#include "window_messages.h"
#include "mapper/ui/core/second_start.h"
#include "mapper/ui/core/ui_texts.h"

namespace {

const wchar_t kMutexName[] = L"Local\\Pamuro.mapper";
// What the running mapper publishes for a second start.
const wchar_t kPublishedName[] = L"Local\\Pamuro.mapper.run";

struct Published {
    uint32_t elevated;
    wchar_t folder[kStartupDirectorySize];
};

constexpr DWORD kFindWindowMs = 10000;  // the first may still show its start-up messages
constexpr UINT kAnswerMs = 2000;
constexpr DWORD kCloseMs = 5000;

bool RunsElevated() {
    OwnedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

MutexOutcome CreateSessionMutex() {
    // Held for the whole run; the system lets go of it when the process ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    const DWORD error = GetLastError();
    if (mutex != nullptr) {
        return error == ERROR_ALREADY_EXISTS ? MutexOutcome::AlreadyThere : MutexOutcome::Created;
    }
    // An elevated mapper's mutex cannot be opened by a start that is not.
    return error == ERROR_ACCESS_DENIED ? MutexOutcome::AccessDenied : MutexOutcome::Created;
}

// Published for the whole run: the mapping is never closed.
void Publish(const wchar_t* folder, bool elevated) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(Published), kPublishedName);
    if (mapping == nullptr) {
        return;
    }
    if (auto* published = static_cast<Published*>(
            MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Published)))) {
        published->elevated = elevated ? 1 : 0;
        lstrcpynW(published->folder, folder, kStartupDirectorySize);
        UnmapViewOfFile(published);
    }
}

// What the running mapper published; false when it cannot be read (an
// elevated one's, from a start that is not).
bool ReadPublished(Published& out) {
    const OwnedHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, kPublishedName));
    if (!mapping.Valid()) {
        return false;
    }
    const auto* published =
        static_cast<const Published*>(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (published != nullptr) {
        out = *published;
        out.folder[kStartupDirectorySize - 1] = L'\0';
        UnmapViewOfFile(published);
    }
    return published != nullptr;
}

HWND WaitForRunningWindow() {
    const DWORD start = GetTickCount();
    HWND running = FindMainWindowOfFirstStart();
    while (running == nullptr && GetTickCount() - start < kFindWindowMs) {
        Sleep(50);
        running = FindMainWindowOfFirstStart();
    }
    return running;
}

bool Answers(HWND running, UINT message) {
    DWORD_PTR answer = 0;
    return running != nullptr &&
           SendMessageTimeoutW(running, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs,
                               &answer) != 0 &&
           answer == kSecondStartAnswer;
}

void ShowRunning(HWND running) {
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    AllowSetForegroundWindow(process);
    PostMessageW(running, kShowFromSecondStartMessage, 0, 0);
}

void SayRunningElsewhere(const wchar_t* folder) {
    std::wstring text = WideText(kRunningElsewherePrefix).c_str();
    text += folder;
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
}

// Asks the running mapper to close as its "終了" does (it saves and lets go
// of its keys) and waits for its end.
bool CloseRunning(HWND running) {
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    const OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process.Valid() && Answers(running, kCloseForElevatedStartMessage) &&
           WaitForSingleObject(process.Get(), kCloseMs) == WAIT_OBJECT_0;
}

}  // namespace

bool ClaimSession(const char* commandTail) {
    wchar_t folder[kStartupDirectorySize] = {};
    const DWORD length = GetCurrentDirectoryW(kStartupDirectorySize, folder);
    if (length == 0 || length >= kStartupDirectorySize) {
        folder[0] = L'\0';
    }
    const bool elevated = RunsElevated();
    const MutexOutcome mutex = CreateSessionMutex();
    RunningMapper running = {false, mutex == MutexOutcome::AccessDenied, true};
    HWND runningWindow = nullptr;
    Published published = {};
    if (mutex != MutexOutcome::Created) {
        runningWindow = WaitForRunningWindow();
        running.answered = Answers(runningWindow, kSecondStartQueryMessage);
        if (ReadPublished(published)) {
            running.elevated = published.elevated != 0;
            running.sameFolder =
                CompareStringOrdinal(published.folder, -1, folder, -1, TRUE) == CSTR_EQUAL;
        }
    }
    switch (DecideSecondStart(mutex, elevated, running)) {
        case SecondStartStep::Run:
            break;
        case SecondStartStep::CloseRunningThenStart:
            if (!CloseRunning(runningWindow)) {
                ShowSjisMessage(nullptr, kAlreadyRunningMessage, nullptr, MB_OK);
                return false;
            }
            break;
        case SecondStartStep::ShowRunning:
            if (lstrcmpiA(commandTail, "/T") != 0) {
                ShowRunning(runningWindow);
            }
            return false;
        case SecondStartStep::ShowRunningElsewhere:
            ShowRunning(runningWindow);
            SayRunningElsewhere(published.folder);
            return false;
        case SecondStartStep::SayAlreadyRunning:
            ShowSjisMessage(nullptr, kAlreadyRunningMessage, nullptr, MB_OK);
            return false;
    }
    Publish(folder, elevated);
    return true;
}
