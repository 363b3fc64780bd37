#pragma once
// Programs a Wine test starts, and the test program's own folder.
#include <windows.h>

#include <functional>
#include <string>

#include "tests/wine/support/wait.h"

// The folder of the running test program, ending in a backslash.
inline std::wstring OwnFolder() {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    while (length > 0 && self[length - 1] != L'\\') {
        --length;
    }
    return std::wstring(self, length);
}

// A path the build gives relative to the test program's folder ('/' apart).
inline std::wstring FromOwnFolder(const char* relative) {
    std::wstring path = OwnFolder();
    for (const char* c = relative; *c != '\0'; ++c) {
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    }
    return path;
}

struct ProcessWindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>* match;
    HWND found;
};

inline BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !(*search->match)(window)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// The first top-level window of process `processId` that `match` accepts;
// null when there is none.
inline HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& match) {
    ProcessWindowSearch search = {processId, &match, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A program a test started: ended if still running, and closed, when it goes
// out of scope, so no copy outlives its test.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { End(); }

    // Ends the program if it still runs and lets go of it; a test that must
    // clean up after the program calls it first.
    void End() {
        if (process_.hProcess == nullptr) {
            return;
        }
        if (!WaitExit(0)) {
            TerminateProcess(process_.hProcess, 99);
            WaitExit(5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
    }

    // Starts `program` with `arguments` after its quoted name, in
    // `workFolder` (null: the test's own current folder).
    bool Start(const std::wstring& program, const std::wstring& arguments = L"",
               const wchar_t* workFolder = nullptr) {
        std::wstring commandLine = L"\"" + program + L"\"";
        if (!arguments.empty()) {
            commandLine += L" " + arguments;
        }
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              workFolder, &startup, &process_) != FALSE;
    }
    // Starts the command line as it stands, program name included, which
    // Wine also takes for a Unix program ("/bin/sh -c ...").
    bool StartCommandLine(std::wstring commandLine) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != FALSE;
    }
    bool WaitExit(DWORD timeoutMs) const {
        return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    HANDLE Handle() const { return process_.hProcess; }
    DWORD Id() const { return process_.dwProcessId; }
    DWORD ThreadId() const { return process_.dwThreadId; }
    // The first top-level window of the program that `match` accepts; null
    // when there is none.
    HWND TopWindow(const std::function<bool(HWND)>& match) const {
        return FindProcessWindow(process_.dwProcessId, match);
    }
    // The same, waiting for it up to `timeoutMs`.
    HWND WaitWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = TopWindow(match)) != nullptr; }, timeoutMs);
        return found;
    }

  private:
    PROCESS_INFORMATION process_ = {};
};
