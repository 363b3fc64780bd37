#include "tests/wine/mapper/mapper_driver.h"

namespace {

std::wstring DriverFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\') {
        --length;
    }
    return std::wstring(path, length);
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) {
        return TRUE;
    }
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, search->className) != 0) {
        return TRUE;
    }
    if (search->title != nullptr &&
        (!IsWindowVisible(window) || WindowText(window) != search->title)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

std::wstring MakeWorkFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    for (;;) {
        std::wstring folder = std::wstring(temp) + L"pamuro-e2e-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            return folder;
        }
    }
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

std::string Sjis(const std::wstring& text) {
    char buffer[1024];
    const int written =
        WideCharToMultiByte(932, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return written > 0 ? std::string(buffer) : std::string();
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT itself: GetWindowTextW does not ask controls of another process.
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        &copied);
    return text;
}

std::wstring MessageBoxText(HWND box) {
    // The message box's text is its static control with id 0xFFFF.
    return WindowText(GetDlgItem(box, 0xFFFF));
}

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 512) {
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        }
        entries.push_back(text);
    }
    return entries;
}

MapperRun::~MapperRun() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool MapperRun::Start(const std::wstring& workFolder, const std::wstring& tail) {
    const std::wstring program = DriverFolder() + L"mapper.exe";
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!tail.empty()) {
        commandLine += L" " + tail;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workFolder.c_str(), &startup, &process_) != FALSE;
}

HWND MapperRun::FindWindowOf(const wchar_t* className, const wchar_t* title) const {
    WindowSearch search = {process_.dwProcessId, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND MapperRun::WaitMainWindow(DWORD timeoutMs) {
    WaitUntil([&] { return (main_ = FindWindowOf(L"PamuroMain", nullptr)) != nullptr; }, timeoutMs);
    return main_;
}

HWND MapperRun::WaitDialog(const wchar_t* title, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            WindowSearch search = {process_.dwProcessId, L"#32770", nullptr, nullptr};
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            dialog = search.found;
            return dialog != nullptr && IsWindowVisible(dialog) &&
                   (title == nullptr || WindowText(dialog) == title);
        },
        timeoutMs);
    return dialog != nullptr && IsWindowVisible(dialog) &&
                   (title == nullptr || WindowText(dialog) == title)
               ? dialog
               : nullptr;
}

bool MapperRun::WaitExit(DWORD timeoutMs) {
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD MapperRun::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::wstring MapperRun::WaitSetTitle(DWORD timeoutMs) {
    std::wstring title;
    WaitUntil(
        [&] {
            title = WindowText(main_);
            return title.rfind(L"Pamuro - ", 0) == 0;
        },
        timeoutMs);
    return title;
}
