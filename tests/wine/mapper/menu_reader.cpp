// menu_reader.dll: see menu_reader.h. Loaded into the program under test by
// the system when the driver hooks its interface thread.
#include "tests/wine/mapper/menu_reader.h"

namespace {

void ReadItem(HMENU menu, int position, MenuReaderItem& item) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = item.Text;
    info.cch = kMenuReaderTextSize;
    item.Text[0] = L'\0';
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
        item.Id = -1;
        return;
    }
    item.Id = static_cast<LONG>(info.wID);
    item.Type = static_cast<LONG>(info.fType);
    item.State = static_cast<LONG>(info.fState);
}

void ReadPopup(HWND popupWindow) {
    MenuReaderRecord* record = OpenMenuReaderRecord();
    if (record == nullptr) {
        return;
    }
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popupWindow, MN_GETHMENU, 0, 0));
    record->Count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    for (LONG i = 0; i < record->Count && i < kMenuReaderCapacity; ++i) {
        ReadItem(menu, i, record->Items[i]);
    }
    InterlockedExchange(&record->Done, 1);
}

void ReadSmallIcon(HWND window) {
    MenuReaderRecord* record = OpenMenuReaderRecord();
    if (record == nullptr) {
        return;
    }
    record->SmallIconWidth = record->SmallIconHeight = 0;
    ICONINFO info = {};
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    if (icon != nullptr && GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        record->SmallIconWidth = bitmap.bmWidth;
        // A monochrome icon's mask holds its image and mask one above the other.
        record->SmallIconHeight = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    InterlockedExchange(&record->Done, 1);
}

}  // namespace

// Exported undecorated through menu_reader.def, for both targets.
extern "C" LRESULT CALLBACK ReadMenuHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT readMenu = RegisterWindowMessageW(kMenuReaderMessageName);
    static const UINT readIcon = RegisterWindowMessageW(kIconReaderMessageName);
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == readMenu) {
        ReadPopup(call->hwnd);
    } else if (code == HC_ACTION && call->message == readIcon) {
        ReadSmallIcon(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
