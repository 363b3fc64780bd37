#include "tests/wine/mapper/mapper_driver.h"

#include <shellapi.h>

#include <cstdio>

#include "mapper/ui/resource.h"
#include "mapper/ui/window_messages.h"
#include "tests/wine/mapper/menu_reader.h"

namespace {

// A top-level window of class `className`, visible (and then with `title`)
// when asked.
std::function<bool(HWND)> WindowMatch(const wchar_t* className, const wchar_t* title,
                                      bool visibleOnly) {
    return [=](HWND window) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpW(name, className) != 0) {
            return false;
        }
        if ((visibleOnly || title != nullptr) && !IsWindowVisible(window)) {
            return false;
        }
        return title == nullptr || WindowText(window) == title;
    };
}

// menu_reader.dll, loaded once from beside the driver.
struct MenuReader {
    HMODULE dll;
    HOOKPROC hook;
    UINT message;
    MenuReaderRecord* record;
};

const MenuReader& TheMenuReader() {
    static const MenuReader reader = [] {
        MenuReader loaded = {};
        loaded.dll = LoadLibraryW((OwnFolder() + L"menu_reader.dll").c_str());
        if (loaded.dll != nullptr) {
            // Through void*: FARPROC and HOOKPROC differ in their parameters.
            loaded.hook = reinterpret_cast<HOOKPROC>(
                reinterpret_cast<void*>(GetProcAddress(loaded.dll, kMenuReaderHookName)));
        }
        loaded.message = RegisterWindowMessageW(kMenuReaderMessageName);
        loaded.record = OpenMenuReaderRecord();
        return loaded;
    }();
    return reader;
}

MenuEntry EntryOf(const MenuReaderItem& item) {
    MenuEntry entry = {};
    entry.id = static_cast<UINT>(item.Id);
    entry.text = item.Text;
    entry.separator = (item.Type & MFT_SEPARATOR) != 0;
    entry.checked = (item.State & MFS_CHECKED) != 0;
    entry.grayed = (item.State & MFS_GRAYED) != 0;
    entry.isDefault = (item.State & MFS_DEFAULT) != 0;
    entry.highlighted = (item.State & MFS_HILITE) != 0;
    return entry;
}

int HighlightedIndex(const std::vector<MenuEntry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].highlighted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

NOTIFYICONDATAW TrayIconOf(HWND window) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    return icon;
}

// Lets the menu reader's hook read what `message` asks for inside the
// program that owns `window`, on its thread; false when it did not answer.
bool ReadInProgram(HWND window, UINT message) {
    const MenuReader& reader = TheMenuReader();
    if (reader.hook == nullptr || reader.record == nullptr) {
        return false;
    }
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, reader.hook, reader.dll,
                                   GetWindowThreadProcessId(window, nullptr));
    if (hook == nullptr) {
        return false;
    }
    InterlockedExchange(&reader.record->Done, 0);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, message, 0, 0, SMTO_BLOCK, 5000, &ignored);
    UnhookWindowsHookEx(hook);
    return reader.record->Done != 0;
}

}  // namespace

std::vector<MenuEntry> ReadPopupMenu(HWND popup) {
    const MenuReader& reader = TheMenuReader();
    std::vector<MenuEntry> entries;
    if (!ReadInProgram(popup, reader.message)) {
        return entries;
    }
    for (LONG i = 0; i < reader.record->Count && i < kMenuReaderCapacity; ++i) {
        entries.push_back(EntryOf(reader.record->Items[i]));
    }
    return entries;
}

SIZE ClassSmallIconSize(HWND window) {
    const MenuReader& reader = TheMenuReader();
    if (!ReadInProgram(window, RegisterWindowMessageW(kIconReaderMessageName))) {
        return SIZE{0, 0};
    }
    return SIZE{reader.record->SmallIconWidth, reader.record->SmallIconHeight};
}

bool ChooseMenuEntry(HWND popup, UINT id) {
    for (int step = 0; step < 40; ++step) {
        const std::vector<MenuEntry> entries = ReadPopupMenu(popup);
        const int current = HighlightedIndex(entries);
        if (current >= 0 && entries[current].id == id && !entries[current].separator) {
            PostKey(popup, VK_RETURN);
            return true;
        }
        PostKey(popup, VK_DOWN);
        WaitUntil([&] { return HighlightedIndex(ReadPopupMenu(popup)) != current; }, 2000);
    }
    return false;
}

void PostKey(HWND window, UINT virtualKey) {
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(window, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

bool RunUnixProgram(const std::wstring& commandLine) {
    ChildProcess program;
    if (!program.StartCommandLine(commandLine)) {
        return false;
    }
    program.WaitExit(10000);
    return true;
}

bool ClickAt(HWND window, POINT point) {
    ClientToScreen(window, &point);
    return RunUnixProgram(L"/bin/sh -c \"xdotool mousemove " + std::to_wstring(point.x) + L" " +
                          std::to_wstring(point.y) + L" click 1\"");
}

bool ClickControl(HWND control) {
    RECT rect;
    if (!GetClientRect(control, &rect)) {
        return false;
    }
    return ClickAt(control, POINT{rect.right / 2, rect.bottom / 2});
}

bool TrayIconPresent(HWND window) {
    NOTIFYICONDATAW icon = TrayIconOf(window);
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

bool AddTrayIconFor(HWND window) {
    NOTIFYICONDATAW icon = TrayIconOf(window);
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    lstrcpyW(icon.szTip, L"test");
    return Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

bool RemoveTrayIconOf(HWND window) {
    NOTIFYICONDATAW icon = TrayIconOf(window);
    return Shell_NotifyIconW(NIM_DELETE, &icon) != FALSE;
}

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

std::string Sjis(const std::wstring& text) {
    char buffer[1024];
    const int written =
        WideCharToMultiByte(932, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return written > 0 ? std::string(buffer) : std::string();
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

bool MapperRun::Start(const std::wstring& workFolder, const std::wstring& tail) {
    return process_.Start(OwnFolder() + L"mapper.exe", tail, workFolder.c_str());
}

HWND MapperRun::FindWindowOf(const wchar_t* className, const wchar_t* title) const {
    return process_.TopWindow(WindowMatch(className, title, false));
}

HWND MapperRun::WaitMainWindow(DWORD timeoutMs) {
    WaitUntil([&] { return (main_ = FindWindowOf(L"PamuroMain", nullptr)) != nullptr; }, timeoutMs);
    return main_;
}

HWND MapperRun::WaitDialog(const wchar_t* title, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            dialog = FindWindowOf(L"#32770", nullptr);
            return dialog != nullptr && IsWindowVisible(dialog) &&
                   (title == nullptr || WindowText(dialog) == title);
        },
        timeoutMs);
    return dialog != nullptr && IsWindowVisible(dialog) &&
                   (title == nullptr || WindowText(dialog) == title)
               ? dialog
               : nullptr;
}

HWND MapperRun::WaitPopupMenu(DWORD timeoutMs) {
    // Popup menu windows may linger hidden after a menu closes: only a
    // visible one is open.
    HWND popup = nullptr;
    WaitUntil(
        [&] {
            popup = process_.TopWindow(WindowMatch(L"#32768", nullptr, true));
            return popup != nullptr;
        },
        timeoutMs);
    return popup;
}

HWND MapperRun::OpenTrayPopup(DWORD timeoutMs) {
    PostMessageW(main_, kTrayNotifyMessage, kTrayIconId, WM_RBUTTONDOWN);
    return WaitPopupMenu(timeoutMs);
}

bool MapperRun::WaitPostedHandled(DWORD timeoutMs) {
    HWND list = Control(IDC_MAIN_SET_LIST);
    const LRESULT selection = SendMessageW(list, CB_GETCURSEL, 0, 0);
    const WPARAM marker = selection == CB_ERR ? 0 : static_cast<WPARAM>(-1);
    const LRESULT markerSelection = selection == CB_ERR ? 0 : CB_ERR;
    PostMessageW(list, CB_SETCURSEL, marker, 0);
    const bool handled = WaitUntil(
        [&] { return SendMessageW(list, CB_GETCURSEL, 0, 0) == markerSelection; }, timeoutMs);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    return handled;
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

bool StartPadAndGame(TestJoystick** stick, KeyLog** log, ChildProcess& game) {
    *stick = OpenTestJoystick();
    *log = OpenKeyLog();
    if (*stick == nullptr || *log == nullptr) {
        std::printf("the test pad or the key log cannot be opened\n");
        return false;
    }
    PlugCentredJoystick(*stick);
    if (!StartKeyLogger(*log, game, OwnFolder() + L"key_logger.exe")) {
        std::printf("key_logger.exe did not come up\n");
        return false;
    }
    return true;
}
