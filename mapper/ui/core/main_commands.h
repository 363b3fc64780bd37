#pragma once
// The commands of the main window's buttons, its combo box and the tray
// popup menu: what each does to the key-set table and the engine, and which
// views it refreshes. The Win32 window procedure hands every WM_COMMAND here.
#include <cstdint>

#include "mapper/engine/engine.h"
#include "mapper/model/keyset_table.h"
#include "mapper/ui/core/command_ids.h"

// What the commands ask of the windows. Win32 serves it with the real main
// window, tray menu and dialogs; the tests with a recording fake.
class MainWindowView {
  public:
    virtual ~MainWindowView() = default;
    // Refills the set list from the table's names; leaves it with no selection.
    virtual void RefreshSetList() = 0;
    // Titles the main window after the set at ActiveSet.
    virtual void RefreshTitle() = 0;
    // Replaces the tray menu's set entries: removes exactly those of the
    // previous rebuild (none before the first) and lists the table's sets.
    virtual void RebuildTrayMenu() = 0;
    // Selects entry `index` of the set list.
    virtual void SelectListEntry(int32_t index) = 0;
    // The set list's selected entry, -1 when none.
    virtual int32_t ListSelection() = 0;
    // Schedules a repaint of the binding grid, without erasing.
    virtual void InvalidateGrid() = 0;
    // Runs the name dialog; true on OK with the typed text in `name`
    // (kNameSize bytes), false on Cancel.
    virtual bool AskName(char* name) = 0;
    // A message box with no owner, the default caption and OK.
    virtual void ShowMessage(const char* text) = 0;
    // A Yes/No message box with no owner; true on Yes.
    virtual bool AskYesNo(const char* text, const char* caption) = 0;
    // Shows the help.
    virtual void ShowHelp() = 0;
    // Runs the settings dialog to its end; true when it stored the options (OK).
    virtual bool RunSettingsDialog() = 0;
    // The table or the options changed: they are saved soon.
    virtual void SettingsChanged() = 0;
    // Disables the main window and shows the capture window, activated.
    virtual void ShowCaptureWindow() = 0;
    // Destroys the main window; shutdown follows.
    virtual void DestroyMainWindow() = 0;
    // Shows and restores the main window and removes the tray icon.
    virtual void RestoreFromTray() = 0;
    // Greys "一時停止(&S)" and enables "制御再開(&S)" when `paused`, else the reverse.
    virtual void ShowPauseState(bool paused) = 0;
    // Whether the user's Startup folder holds the shortcut that starts this
    // mapper.exe.
    virtual bool StartsWithWindows() = 0;
    // Writes (`starts`) or deletes that shortcut; false when it failed.
    virtual bool SetStartsWithWindows(bool starts) = 0;
    // Labels the start-up button for the state `starts`.
    virtual void ShowStartupState(bool starts) = 0;
};

// The active set was changed by the pad: the views follow as after a choice
// in the set list, the tray menu's check mark and the title included.
void ShowActiveSetChange(MainWindowView& view, const KeySetTable& table);

// Carries out command `id`. Unknown ids do nothing.
void HandleMainCommand(uint16_t id, MainWindowView& view, KeySetTable& table,
                       EngineControls& engine);
