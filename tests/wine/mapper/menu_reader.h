#pragma once
// The menu reader: a test hook DLL (menu_reader.dll, built from
// menu_reader.cpp) that reads an open popup menu inside the program that
// shows it. Menus belong to their process, so a driver in another process
// cannot read them itself; it installs ReadMenuHook as a WH_CALLWNDPROC hook
// on the program's interface thread and sends the popup window ("#32768")
// the message kMenuReaderMessageName. The hook, running in the program, reads
// the popup's items into the shared record below. Sent to a top-level window
// instead, kIconReaderMessageName has it read the size of the window class's
// small icon, which no other process can read.
#include <windows.h>

#define PAMURO_MENU_READER_SECTION "Local\\PamuroTestMenuReader"

constexpr wchar_t kMenuReaderMessageName[] = L"PamuroTestReadMenu";
constexpr wchar_t kIconReaderMessageName[] = L"PamuroTestReadIcon";
constexpr char kMenuReaderHookName[] = "ReadMenuHook";
constexpr LONG kMenuReaderCapacity = 96;
constexpr int kMenuReaderTextSize = 128;

struct MenuReaderItem {
    LONG Id;     // command id; 0 for a separator
    LONG Type;   // fType of MENUITEMINFOW (MFT_SEPARATOR, MFT_STRING)
    LONG State;  // fState of MENUITEMINFOW (MFS_CHECKED, MFS_GRAYED, MFS_DEFAULT)
    wchar_t Text[kMenuReaderTextSize];
};

struct MenuReaderRecord {
    volatile LONG Done;  // set to 1 by the hook once the items are written
    LONG Count;          // GetMenuItemCount of the popup; -1 when it had no menu
    MenuReaderItem Items[kMenuReaderCapacity];
    LONG SmallIconWidth;  // of the class's small icon; 0 when it has none
    LONG SmallIconHeight;
};

// The hook procedure that menu_reader.dll exports.
extern "C" LRESULT CALLBACK ReadMenuHook(int code, WPARAM wParam, LPARAM lParam);

// Opens (or creates, zero-filled) the shared record; null on failure. The
// mapping handle stays open for the life of the process.
inline MenuReaderRecord* OpenMenuReaderRecord() {
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(MenuReaderRecord), PAMURO_MENU_READER_SECTION);
    if (section == nullptr) {
        return nullptr;
    }
    return static_cast<MenuReaderRecord*>(
        MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(MenuReaderRecord)));
}
