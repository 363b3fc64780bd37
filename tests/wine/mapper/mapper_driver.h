#pragma once
// Helpers of the mapper.exe end-to-end driver: start the program in a fresh
// working folder, find its windows, read their texts through the wide
// functions, and make sure no copy outlives a test.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/wine/joystick_stub/joystick_stub.h"
#include "tests/wine/key_logger/key_log.h"
#include "tests/wine/support/files.h"
#include "tests/wine/support/child_process.h"
#include "tests/wine/support/wait.h"

// A fresh, empty working folder under the temp folder.
std::wstring MakeWorkFolder();
// Shift-JIS bytes of a wide text (what Top.ini holds).
std::string Sjis(const std::wstring& text);

std::wstring WindowText(HWND window);
// The text of a message box (its static control).
std::wstring MessageBoxText(HWND box);
std::vector<std::wstring> ComboEntries(HWND combo);

// One item of a popup menu as the program holds it.
struct MenuEntry {
    UINT id;  // command id; 0 for a separator
    std::wstring text;
    bool separator;
    bool checked;
    bool grayed;
    bool isDefault;    // drawn bold, chosen by a double click
    bool highlighted;  // the keyboard's current item
};

// The items of the open popup menu window `popup` ("#32768"), read inside the
// program that shows it (menus belong to their process) by the menu reader
// hook DLL beside the driver. Empty when it could not be read.
std::vector<MenuEntry> ReadPopupMenu(HWND popup);
// The size of the small icon of `window`'s class, read inside the program
// by the menu reader (icons belong to their process); 0 x 0 when unread.
SIZE ClassSmallIconSize(HWND window);
// Chooses the entry with command `id` of the open popup with the keyboard, as
// a user would: the Down arrow until the entry is highlighted, then Return.
// False when the entry never became highlighted.
bool ChooseMenuEntry(HWND popup, UINT id);
// Posts a key press (down and up) to `window` of another process.
void PostKey(HWND window, UINT virtualKey);
// Whether the tray icon of `window` with id 1 is present: the shell accepts
// a change only to an icon it has.
bool TrayIconPresent(HWND window);
// Runs a Linux program (xdotool) from inside Wine and waits for it.
bool RunUnixProgram(const std::wstring& commandLine);
// Clicks the left mouse button at client point `point` of `window`, with the
// real pointer (xdotool), as a player does.
bool ClickAt(HWND window, POINT point);
// Clicks the middle of a control (a button) with the mouse.
bool ClickControl(HWND control);
// Adds or removes the tray icon with id 1 of `window` as if `window` did it.
bool AddTrayIconFor(HWND window);
bool RemoveTrayIconOf(HWND window);

// One run of mapper.exe; ended at destruction if still running.
class MapperRun {
  public:
    // Starts the mapper.exe beside the driver in `workFolder`, with `tail`
    // after the program name.
    bool Start(const std::wstring& workFolder, const std::wstring& tail);
    // The main window ("PamuroMain") once it exists; null after `timeoutMs`.
    HWND WaitMainWindow(DWORD timeoutMs);
    // A top-level window of the program with class `className`, visible and
    // with `title` when given; null when none.
    HWND FindWindowOf(const wchar_t* className, const wchar_t* title) const;
    // A visible dialog or message box of the program, waiting up to `timeoutMs`.
    HWND WaitDialog(const wchar_t* title, DWORD timeoutMs);
    // The program's visible popup menu window ("#32768"), waiting up to
    // `timeoutMs`; null when none opened.
    HWND WaitPopupMenu(DWORD timeoutMs);
    // Right-clicks the tray icon (the notification the shell sends) and
    // waits for the popup; null when none opened.
    HWND OpenTrayPopup(DWORD timeoutMs);
    bool WaitExit(DWORD timeoutMs) { return process_.WaitExit(timeoutMs); }
    DWORD ExitCode() const { return process_.ExitCode(); }
    // Waits until the program has handled every message posted to it so far:
    // a marker posted after them (a change of the set list's selection, put
    // back at once) must have come through.
    bool WaitPostedHandled(DWORD timeoutMs);
    HWND Main() const { return main_; }
    HANDLE Process() const { return process_.Handle(); }
    DWORD ProcessId() const { return process_.Id(); }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // The main window's title once it names a key set (start-up has filled it).
    std::wstring WaitSetTitle(DWORD timeoutMs);

  private:
    ChildProcess process_;
    HWND main_ = nullptr;
};

// A benchmark's start: the test pad (`*stick`) plugged in and centred, and
// the key logger (`*log`) running as `game`. False, after printing what is
// missing, when either cannot be had.
bool StartPadAndGame(TestJoystick** stick, KeyLog** log, ChildProcess& game);
