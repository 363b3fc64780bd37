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

}  // namespace

// Exported undecorated through menu_reader.def, for both targets.
extern "C" LRESULT CALLBACK ReadMenuHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT readMessage = RegisterWindowMessageW(kMenuReaderMessageName);
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == readMessage) {
        ReadPopup(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
