#include "dialogs.h"

#include <commctrl.h>

#include "common/shift_jis.h"
#include "common/win32/sjis_text.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"
#include "mapper/ui/core/ui_texts.h"
#include "resource.h"

namespace {

// Reads the typed name as Shift-JIS, cut to 255 bytes at a character
// boundary. False when a character has no Shift-JIS form: storing it would
// lose it, so the user is told and the dialog stays open.
bool ReadTypedName(HWND dialog, char* name) {
    wchar_t typed[1024];
    GetDlgItemTextW(dialog, IDC_NAME_EDIT, typed, 1024);
    char sjis[2048];
    if (!WideToSjis(typed, sjis, sizeof sjis)) {
        ShowSjisMessage(dialog, kUnstorableNameMessage, nullptr, MB_OK);
        return false;
    }
    CopyShiftJisCut(name, kNameSize, sjis);
    return true;
}

INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    if (LOWORD(wParam) == IDOK) {
        char* name = reinterpret_cast<char*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (ReadTypedName(dialog, name)) {
            EndDialog(dialog, 1);
        }
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

MapperOptions& OptionsOf(HWND dialog) {
    return *reinterpret_cast<MapperOptions*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void ShowOption(HWND dialog, const OptionRow& row, uint8_t value) {
    if (row.Control == OptionControl::ChoicePair) {
        const bool first = value == row.Max;
        CheckDlgButton(dialog, row.FirstControlId, first ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, row.SecondControlId, first ? BST_UNCHECKED : BST_CHECKED);
        return;
    }
    SendDlgItemMessageW(dialog, row.SecondControlId, UDM_SETRANGE, 0, MAKELPARAM(row.Max, row.Min));
    SendDlgItemMessageW(dialog, row.SecondControlId, UDM_SETPOS, 0, value);
}

uint32_t DialogAnswer(HWND dialog, const OptionRow& row) {
    if (row.Control == OptionControl::ChoicePair) {
        return IsDlgButtonChecked(dialog, row.SecondControlId) == BST_CHECKED ? 1 : 0;
    }
    return static_cast<uint32_t>(
        SendDlgItemMessageW(dialog, row.SecondControlId, UDM_GETPOS, 0, 0));
}

void InitSettings(HWND dialog, MapperOptions& options) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&options));
    for (const OptionRow& row : kOptionRows) {
        ShowOption(dialog, row, (options.*row.Field).load());
    }
}

void StoreSettings(HWND dialog) {
    MapperOptions& options = OptionsOf(dialog);
    for (const OptionRow& row : kOptionRows) {
        (options.*row.Field).store(OptionFromDialog(row, DialogAnswer(dialog, row)));
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            return TRUE;
        case WM_INITDIALOG:
            InitSettings(dialog, *reinterpret_cast<MapperOptions*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_SETTINGS_OK) {
                StoreSettings(dialog);
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

bool RunNameDialog(HWND owner, char* name) {
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_NAME), owner, NameDialogProc,
                           reinterpret_cast<LPARAM>(name)) == 1;
}

bool RunSettingsDialog(HWND owner, MapperOptions& options) {
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(&options)) == 1;
}
