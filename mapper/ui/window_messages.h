#pragma once
// mapper's own window messages and the meaning of its reserved command ids,
// all in one place: a new message takes the next free WM_APP offset here.
#include <windows.h>

// The tray icon's notifications to the main window; lParam is the mouse
// message (WM_LBUTTONDOWN, WM_RBUTTONDOWN, ...).
constexpr UINT kTrayNotifyMessage = WM_APP + 100;
constexpr UINT kTrayIconId = 1;

// The engine stored a captured key (EngineEvents::KeyCaptured), posted to
// the main window; wParam is the key's code. The main window ends the capture:
// it comes back, the capture window goes, the grid is repainted and saved soon.
constexpr UINT kKeyCapturedMessage = WM_APP + 101;

// The engine tells the main window which inputs are active now
// (EngineEvents::ActiveInputsChanged): wParam holds InputBit(i) for input i.
// Posted, and only while the window is shown; it highlights those row labels.
constexpr UINT kActiveInputsMessage = WM_APP + 102;

// A second start of mapper asks the running one to show its main window, as
// a left click on its tray icon does, and to come to the front. Posted from
// another process, so it is let through also while mapper runs elevated.
constexpr UINT kShowFromSecondStartMessage = WM_APP + 103;

// A second start asks whether the running mapper answers (within 2 seconds)
// before it decides what to do; the answer is kSecondStartAnswer. Let
// through also while mapper runs elevated.
constexpr UINT kSecondStartQueryMessage = WM_APP + 104;
constexpr LRESULT kSecondStartAnswer = 0x50414D;  // "PAM"

// A start run as administrator asks a running mapper that is not to close,
// as its "終了" does, so that it can take over; answered with
// kSecondStartAnswer before the close begins.
constexpr UINT kCloseForElevatedStartMessage = WM_APP + 105;

// An input's action on the pad made another set active
// (EngineEvents::ActiveSetChanged): the windows follow as after a choice in
// the set list. wParam is the set.
constexpr UINT kActiveSetChangedMessage = WM_APP + 106;
// An input's action paused or resumed key synthesis
// (EngineEvents::PauseChanged): the tray menu's pair follows.
constexpr UINT kPauseChangedMessage = WM_APP + 107;

// The main window's timer that saves about a second after the last change.
constexpr UINT_PTR kSaveSoonTimerId = 1;
// The main window's timer that looks at the window in front where the
// system's foreground event does not come (foreground_follow.cpp).
constexpr UINT_PTR kFollowTimerId = 2;

// Command ids 0..kMaxSets-1 of WM_COMMAND are the tray menu's set entries:
// command id s selects key set s. The controls' and menu items' ids are in
// mapper/ui/core/command_ids.h, which the resource script includes too.

// Makes key set `set` active exactly as choosing its tray menu entry does.
inline void SelectSetAsFromTrayMenu(HWND mainWindow, int set) {
    SendMessageW(mainWindow, WM_COMMAND, static_cast<WPARAM>(set), 0);
}
