#include "mapper/ui/core/main_commands.h"

#include "mapper/ui/core/ui_texts.h"
#include "mapper/ui/core/window_texts.h"

namespace {

constexpr uint16_t kLastSetEntry = kMaxSets - 1;

// After a change of the table or the active set: set list, title, tray menu,
// list selection and grid.
void RefreshAll(MainWindowView& view, const KeySetTable& table) {
    view.RefreshSetList();
    view.RefreshTitle();
    view.RebuildTrayMenu();
    view.SelectListEntry(table.ActiveSet.load());
    view.InvalidateGrid();
}

void SelectFromTray(uint16_t id, MainWindowView& view, KeySetTable& table) {
    SelectSet(table, id);
    RefreshAll(view, table);
}

// The combo box reports every notification with the same id; the selection
// is read afresh each time. With no selection (-1) nothing changes.
void SelectFromList(MainWindowView& view, KeySetTable& table) {
    const int32_t selected = view.ListSelection();
    if (selected < 0) {
        return;
    }
    SelectSet(table, selected);
    view.InvalidateGrid();
}

void Rename(MainWindowView& view, KeySetTable& table) {
    if (!HasActiveSet(table)) {
        return;  // an empty table has no set to name
    }
    char name[kNameSize] = {};
    if (!view.AskName(name)) {
        return;
    }
    if (name[0] == '\0') {
        view.ShowMessage(kEmptyNameMessage);
        return;
    }
    RenameSet(table, name);
    view.SettingsChanged();
    // The grid shows no names, so it is not repainted.
    view.RefreshSetList();
    view.RefreshTitle();
    view.RebuildTrayMenu();
    view.SelectListEntry(table.ActiveSet.load());
}

void Delete(MainWindowView& view, KeySetTable& table) {
    if (!HasActiveSet(table)) {
        return;  // nothing to delete, and no name to ask about
    }
    char prompt[kPromptSize];
    FormatDeletePrompt(table, prompt);
    if (!view.AskYesNo(prompt, kConfirmCaption)) {
        return;
    }
    DeleteSet(table);
    view.SettingsChanged();
    RefreshAll(view, table);
}

void Create(MainWindowView& view, KeySetTable& table) {
    NewSet(table);
    view.SettingsChanged();
    RefreshAll(view, table);
}

// The capture window comes up first; the engine's target is written before
// its mode turns to capturing, so the polling thread never sees a stale target.
void BeginCapture(MainWindowView& view, KeySetTable& table, EngineControls& engine, int32_t input,
                  int32_t keyIndex) {
    if (!HasActiveSet(table)) {
        return;  // a key captured now would land in a row that is no set
    }
    view.ShowCaptureWindow();
    StartCapture(engine, table.ActiveSet.load(), input, keyIndex);
}

// Registers at start-up or removes the registration, whichever the Startup
// folder says now, and labels the button after what it holds afterwards.
void ToggleStartup(MainWindowView& view) {
    const bool starts = view.StartsWithWindows();
    if (!view.SetStartsWithWindows(!starts)) {
        view.ShowMessage(starts ? kStartupRemoveFailedMessage : kStartupAddFailedMessage);
    }
    view.ShowStartupState(view.StartsWithWindows());
}

void Pause(MainWindowView& view, EngineControls& engine, bool paused) {
    SetControlEnabled(engine, !paused);
    view.ShowPauseState(paused);
}

}  // namespace

void ShowActiveSetChange(MainWindowView& view, const KeySetTable& table) {
    RefreshAll(view, table);
}

void HandleMainCommand(uint16_t id, MainWindowView& view, KeySetTable& table,
                       EngineControls& engine) {
    if (id <= kLastSetEntry) {
        SelectFromTray(id, view, table);
        return;
    }
    if (id >= IDC_MAIN_CHANGE_KEY1 && id < IDC_MAIN_CHANGE_KEY1 + kInputCount) {
        BeginCapture(view, table, engine, id - IDC_MAIN_CHANGE_KEY1, 0);
        return;
    }
    if (id >= IDC_MAIN_CHANGE_KEY2 && id < IDC_MAIN_CHANGE_KEY2 + kInputCount) {
        BeginCapture(view, table, engine, id - IDC_MAIN_CHANGE_KEY2, 1);
        return;
    }
    switch (id) {
        case IDC_MAIN_SET_LIST:
            SelectFromList(view, table);
            break;
        case IDC_MAIN_HELP:
            view.ShowHelp();
            break;
        case IDC_MAIN_RENAME:
            Rename(view, table);
            break;
        case IDC_MAIN_DELETE:
            Delete(view, table);
            break;
        case IDC_MAIN_NEW:
            Create(view, table);
            break;
        case IDC_MAIN_SETTINGS:
            if (view.RunSettingsDialog()) {
                view.SettingsChanged();
            }
            break;
        case IDC_MAIN_STARTUP:
            ToggleStartup(view);
            break;
        case IDM_TRAY_EXIT:
            view.DestroyMainWindow();
            break;
        case IDM_TRAY_PAUSE:
            Pause(view, engine, true);
            break;
        case IDM_TRAY_RESUME:
            Pause(view, engine, false);
            break;
        case IDM_TRAY_SHOW:
            view.RestoreFromTray();
            break;
        default:
            break;  // 80..99 and every other id do nothing
    }
}
