#pragma once
// The main window: the binding grid, the "変更" buttons, the set buttons and
// the set list; its commands, painting, tray icon and shutdown.
#include <windows.h>

// Registers "PamuroMain" and creates the main window (visible, 465 x 605).
HWND CreateMainWindow(HINSTANCE instance);
// Creates the child controls in their fixed order, the combo box last.
void CreateMainControls(HWND window, HINSTANCE instance);

// A warning balloon from the tray icon, which must be there (mapper in the
// tray), with Shift-JIS text and title; false when the shell refused it.
bool ShowTrayBalloon(HWND window, const char* sjisText, const char* sjisTitle);

// The refresh operations that bring the windows into line with the table.
void RefreshSetList();
void RefreshTitle();
void RebuildTrayMenu();
void SelectListEntry(int index);
// The main window of a mapper already running in this session, or null.
HWND FindMainWindowOfFirstStart();
// The table or the options changed: saved about a second after the last change.
void NoteSettingsChange();
// Labels the start-up button after what the Startup folder holds.
void RefreshStartupButton();
