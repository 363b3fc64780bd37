#pragma once
// The main window: the binding grid, the "変更" buttons, the rapid-fire
// lists, the set buttons and the set list; its commands, painting, tray icon
// and shutdown.
#include <windows.h>

struct MapperApp;

// Registers "PamuroMain" and creates the main window (visible, 525 x 705),
// which keeps `app` in its user data.
HWND CreateMainWindow(MapperApp& app);
// Creates the child controls in their fixed order, the combo box last.
void CreateMainControls(MapperApp& app);

// A warning balloon from the tray icon, which must be there (mapper in the
// tray), with Shift-JIS text and title; false when the shell refused it.
bool ShowTrayBalloon(HWND window, const char* sjisText, const char* sjisTitle);

// The refresh operations that bring the windows into line with the table.
void RefreshSetList(MapperApp& app);
void RefreshTitle(MapperApp& app);
void RebuildTrayMenu(MapperApp& app);
void SelectListEntry(MapperApp& app, int index);
// Shows the active set's rapid-fire rates in the grid's lists.
void RefreshRapidFireColumn(MapperApp& app);
// The main window of a mapper already running in this session, or null.
HWND FindMainWindowOfFirstStart();
// Whether `window` is a main window of mapper (class "PamuroMain").
bool IsMainWindow(HWND window);
// The table or the options changed: saved about a second after the last change.
void NoteSettingsChange(MapperApp& app);
// The end of a capture, taken or cancelled: the main window is shown and
// enabled again and the capture window hidden.
void EndCaptureWindows(MapperApp& app);
// A capture ended with a key or an action stored: the windows come back, the
// grid shows it, and the change is saved soon.
void FinishCapture(MapperApp& app);
// Labels the start-up button after what the Startup folder holds.
void RefreshStartupButton(MapperApp& app);
