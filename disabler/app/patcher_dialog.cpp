// The patcher dialog. Its texts live in the UTF-8 resource and it runs through
// DialogBoxParamW, so they read correctly whatever the ANSI code page is. The
// path field is read as wide text and handed to the patch operation as
// Shift-JIS, the form its messages and the backup path are built in; the
// Win32 backend turns it back into a wide path for the file functions.
#include "disabler/app/patcher_dialog.h"

#include <commdlg.h>
#include <shellapi.h>

#include "common/win32/sjis_text.h"
#include "disabler/app/resource.h"
#include "disabler/core/direct_input.h"
#include "disabler/core/disabler_texts_sjis.h"
#include "disabler/core/patch.h"

namespace {

// The file dialog's name buffer: 260 characters.
constexpr int kPathChars = MAX_PATH;
// The field and a dropped path are read with room to spare, so that a path
// too long for the patch operation is refused with a message instead of
// being cut to another file's name.
constexpr int kPathReadChars = 4 * kPathChars;

using OperationPath = char[kMaxPathBytes + 1];

void RefuseUnusablePath(HWND dialog) {
    ShowSjisMessage(dialog, kUnusablePath, nullptr, MB_OK);
}

// `widePath` as the patch operation takes it, in Shift-JIS; false, after
// telling the user, when it is too long for the operation or holds a
// character with no Shift-JIS form.
bool ToOperationPath(HWND dialog, const wchar_t* widePath, OperationPath& path) {
    if (WideToSjis(widePath, path, static_cast<int>(sizeof path))) {
        return true;
    }
    RefuseUnusablePath(dialog);
    return false;
}

// The platform that RunPatcherDialog handed the dialog.
DisablerPlatform& PlatformOf(HWND dialog) {
    return *reinterpret_cast<DisablerPlatform*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

using PathOperation = void (*)(PatchPlatform& platform, OwnerWindow owner, const char* path);

// Buttons 1001 (disable) and 1004 (undo): `operation` on the path as the
// field holds it now.
void RunOnFieldPath(HWND dialog, PathOperation operation) {
    wchar_t widePath[kPathReadChars];
    GetDlgItemTextW(dialog, IDC_PATH, widePath, kPathReadChars);
    OperationPath path;
    if (ToOperationPath(dialog, widePath, path)) {
        operation(PlatformOf(dialog).patch, dialog, path);
    }
}

// Appends a zero-terminated Shift-JIS text to a filter list at `used`.
int AppendFilterText(wchar_t* filter, int size, int used, const char* sjis) {
    return used + SjisToWide(sjis, filter + used, size - used) + 1;
}

int AppendFilterText(wchar_t* filter, int size, int used, const wchar_t* text) {
    lstrcpynW(filter + used, text, size - used);
    return used + lstrlenW(filter + used) + 1;
}

// Button 1003: the system's file dialog. It starts with no file name even when
// the field holds a path; only a confirmed choice replaces the field.
void OnBrowse(HWND dialog) {
    wchar_t filter[128];
    const int size = static_cast<int>(sizeof filter / sizeof *filter);
    int used = AppendFilterText(filter, size, 0, kExecutableFilter);
    used = AppendFilterText(filter, size, used, L"*.exe");
    used = AppendFilterText(filter, size, used, kAllFilesFilter);
    used = AppendFilterText(filter, size, used, L"*.*");
    filter[used] = L'\0';  // an empty text ends the list

    wchar_t fileName[kPathChars] = {};
    OPENFILENAMEW request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    request.hwndOwner = dialog;
    request.lpstrFilter = filter;
    request.nFilterIndex = 0;
    request.lpstrFile = fileName;
    request.nMaxFile = kPathChars;
    request.lpstrDefExt = L"stg";
    request.Flags = OFN_OVERWRITEPROMPT;
    if (GetOpenFileNameW(&request)) {
        SetDlgItemTextW(dialog, IDC_PATH, fileName);
    }
}

// The first dropped file goes into the field; the others are ignored. A path
// the patch operation could not take is refused as a typed one is, leaving
// the field as it was, rather than cut to fit.
void OnDropFiles(HWND dialog, HDROP drop) {
    wchar_t widePath[kPathReadChars] = {};
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    bool whole = length < static_cast<UINT>(kPathReadChars) &&
                 DragQueryFileW(drop, 0, widePath, kPathReadChars) == length;
    DragFinish(drop);
    if (length == 0) {
        return;
    }
    if (!whole) {
        RefuseUnusablePath(dialog);
        return;
    }
    OperationPath path;
    if (ToOperationPath(dialog, widePath, path)) {
        SetDlgItemTextW(dialog, IDC_PATH, widePath);
    }
}

// The dialog has no title bar: pressing its surface moves it as if one had
// been pressed.
void OnLButtonDown(HWND dialog) {
    SendMessageW(dialog, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
        case IDC_EXIT:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_DISABLE:
            RunOnFieldPath(dialog, DisableJoystick);
            return TRUE;
        case IDC_BROWSE:
            OnBrowse(dialog);
            return TRUE;
        case IDC_UNDO:
            RunOnFieldPath(dialog, UndoDisableJoystick);
            return TRUE;
        default:
            // IDCANCEL (Esc) included: only "終了" ends the program.
            return FALSE;
    }
}

INT_PTR CALLBACK PatcherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);  // the DisablerPlatform
            return TRUE;  // the focus goes to the first tab stop, "終了"
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        case WM_LBUTTONDOWN:
            OnLButtonDown(dialog);
            return TRUE;
        case WM_DROPFILES:
            OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunPatcherDialog(HINSTANCE instance, DisablerPlatform& platform) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PATCHER), nullptr, PatcherDialogProc,
                    reinterpret_cast<LPARAM>(&platform));
}
