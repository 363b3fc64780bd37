#include "main_window.h"

#include <shellapi.h>

#include "common/win32/sjis_text.h"
#include "dialogs.h"
#include "mapper/engine/key_labels.h"
#include "mapper/engine/polling.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/settings.h"
#include "mapper/platform/win32/win32_engine_platform.h"
#include "mapper/platform/win32/win32_key_names.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "mapper/ui/core/main_commands.h"
#include "mapper/ui/core/ui_texts.h"
#include "mapper/ui/core/window_texts.h"
#include "resource.h"
#include "window_class.h"
#include "ui_state.h"

namespace {

constexpr wchar_t kMainClass[] = L"PamuroMain";
constexpr DWORD kMainStyle = 0x14CA0000;    // visible, caption, system menu, minimise box
constexpr DWORD kButtonStyle = 0x50010000;  // child, visible, tab stop
constexpr DWORD kDisabledButtonStyle = 0x58010000;
constexpr DWORD kComboStyle = 0x50210243;  // drop-down list, vertical scroll, has strings
constexpr int kRowHeight = 25;
constexpr int kGridTop = 20;

// ヘルプファイルが見つかりません。
constexpr char kHelpMissingMessage[] =
    "\x83w\x83\x8b\x83v\x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82"
    "\xdc\x82\xb9\x82\xf1\x81"
    "B";

void ShowTextBox(HWND owner, const char* sjisText, const char* sjisCaption, UINT type) {
    WideText text(sjisText);
    if (sjisCaption == nullptr) {
        MessageBoxW(owner, text.c_str(), nullptr, type);
        return;
    }
    MessageBoxW(owner, text.c_str(), WideTextOf<256>(sjisCaption).c_str(), type);
}

void CreateButton(HWND parent, HINSTANCE instance, int id, const char* caption, int x, int y,
                  int width, int height, DWORD style) {
    CreateWindowExW(0, L"BUTTON", WideTextOf<64>(caption).c_str(), style, x, y, width, height,
                    parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

// The tray icon record of the main window in its version-1 form (size,
// window, id, flags, callback message, icon, 64-character tip): the program
// uses none of the later fields, and every shell accepts this size.
NOTIFYICONDATAW TrayIconRecord(HWND window) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = window;
    icon.uID = kTrayIconId;
    return icon;
}

void RemoveTrayIcon(HWND window) {
    NOTIFYICONDATAW icon = TrayIconRecord(window);
    Shell_NotifyIconW(NIM_DELETE, &icon);  // fails harmlessly when no icon was added
}

// The folder of mapper.exe, where the help page and a Pamuro.hlp lie.
bool ProgramFolderFile(const wchar_t* name, wchar_t* path, DWORD size) {
    DWORD length = GetModuleFileNameW(nullptr, path, size);
    if (length == 0 || length >= size) {
        return false;
    }
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') {
        --length;
    }
    if (length + lstrlenW(name) + 1 > size) {
        return false;
    }
    lstrcpyW(path + length, name);
    return true;
}

bool FileExists(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The old help engine where a Pamuro.hlp is present; otherwise the HTML help
// page that ships beside the program, in the user's browser.
void ShowHelpFile(HWND window) {
    wchar_t path[MAX_PATH];
    if (ProgramFolderFile(L"Pamuro.hlp", path, MAX_PATH) && FileExists(path)) {
        WinHelpA(window, "Pamuro.hlp", HELP_FINDER, 0);
        return;
    }
    if (ProgramFolderFile(L"pamuro-help.html", path, MAX_PATH) && FileExists(path)) {
        const INT_PTR result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(window, L"open", path, nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) {
            return;
        }
    }
    ShowTextBox(window, kHelpMissingMessage, nullptr, MB_OK);
}

// The windows as the portable commands see them.
class Win32MainWindowView : public MainWindowView {
  public:
    void RefreshSetList() override { ::RefreshSetList(); }
    void RefreshTitle() override { ::RefreshTitle(); }
    void RebuildTrayMenu(bool first) override { ::RebuildTrayMenu(first); }
    void SelectListEntry(int32_t index) override { ::SelectListEntry(index); }
    int32_t ListSelection() override {
        return static_cast<int32_t>(SendMessageW(g_ui.setList, CB_GETCURSEL, 0, 0));
    }
    void InvalidateGrid() override { InvalidateRect(g_ui.mainWindow, nullptr, FALSE); }
    bool AskName(char* name) override { return RunNameDialog(g_ui.mainWindow, name); }
    void ShowMessage(const char* text) override { ShowTextBox(nullptr, text, nullptr, MB_OK); }
    bool AskYesNo(const char* text, const char* caption) override {
        return MessageBoxW(nullptr, WideText(text).c_str(), WideTextOf<256>(caption).c_str(),
                           MB_YESNO) == IDYES;
    }
    void ShowHelp() override { ShowHelpFile(g_ui.mainWindow); }
    void RunSettingsDialog() override { ::RunSettingsDialog(g_ui.mainWindow); }
    void ShowCaptureWindow() override {
        EnableWindow(g_ui.mainWindow, FALSE);
        ShowWindow(g_ui.captureWindow, SW_SHOWNORMAL);
    }
    void DestroyMainWindow() override { DestroyWindow(g_ui.mainWindow); }
    void RestoreFromTray() override {
        ShowWindow(g_ui.mainWindow, SW_RESTORE);
        RemoveTrayIcon(g_ui.mainWindow);
    }
    void ShowPauseState(bool paused) override {
        EnableMenuItem(g_ui.trayMenu, 40005, MF_BYCOMMAND | (paused ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(g_ui.trayMenu, 40002, MF_BYCOMMAND | (paused ? MF_GRAYED : MF_ENABLED));
    }
};

// --- painting -------------------------------------------------------------

HFONT CreateGridFont(HDC dc, int points, int weight) {
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_CHARACTER_PRECIS, ANTIALIASED_QUALITY, 0,
                       WideTextOf<32>(kGridFontFace).c_str());
}

// A white box outlined in black, with `text` drawn `inset` pixels in.
void DrawBox(HDC dc, RECT box, const char* text, POINT inset) {
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT textBox = {box.left + inset.x, box.top + inset.y, box.right, box.bottom};
    DrawTextW(dc, WideText(text).c_str(), -1, &textBox, DT_NOCLIP);
}

void PaintRowLabels(HDC dc) {
    for (int row = 0; row < kSlotCount; ++row) {
        const int top = kGridTop + kRowHeight * row;
        DrawBox(dc, RECT{8, top, 100, top + 20}, kRowLabels[row], POINT{2, 2});
    }
}

// The two keys of every input of the active set; ActiveSet and each entry
// are read afresh, since the polling thread may write one during a capture.
void PaintBoundKeys(HDC dc) {
    char label[1024];
    for (int key = 0; key < kKeysPerSlot; ++key) {
        const int right = 215 + 175 * key;
        for (int row = 0; row < kSlotCount; ++row) {
            const int top = kGridTop + kRowHeight * row;
            const auto code = static_cast<uint32_t>(ActiveKey(g_keySets, row, key));
            GetKeyLabel(code, label, sizeof label, Win32KeyNames());
            DrawBox(dc, RECT{right - 110, top, right, top + 20}, label, POINT{2, 5});
        }
    }
}

void PaintHeadings(HDC dc) {
    for (const GridHeading& heading : kGridHeadings) {
        RECT box = {heading.left, 6, 0, 15};
        DrawTextW(dc, WideTextOf<64>(heading.text).c_str(), -1, &box, DT_NOCLIP);
    }
}

// --- message handlers -----------------------------------------------------

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HFONT labelFont = CreateGridFont(dc, 12, 1000);
    HFONT smallFont = CreateGridFont(dc, 8, 500);
    HGDIOBJ previous = SelectObject(dc, labelFont);
    PaintRowLabels(dc);
    SelectObject(dc, smallFont);
    PaintBoundKeys(dc);
    PaintHeadings(dc);
    SelectObject(dc, previous);
    DeleteObject(labelFont);
    DeleteObject(smallFont);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnCommand(WPARAM wParam) {
    Win32MainWindowView view;
    HandleMainCommand(LOWORD(wParam), view, g_keySets, g_engine);
    return 0;
}

LRESULT OnSize(HWND window, WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED) {
        MinimiseToTray(window);
    }
    return 0;
}

LRESULT OnTrayNotify(HWND window, LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        Win32MainWindowView().RestoreFromTray();
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        POINT cursor;
        GetCursorPos(&cursor);
        // The popup closes on a click elsewhere only while its owner is the
        // foreground window; the main window is hidden in the tray, so it is
        // brought forward first.
        SetForegroundWindow(window);
        TrackPopupMenu(GetSubMenu(g_ui.trayMenu, 0), 0, cursor.x, cursor.y, 0, window, nullptr);
        // A message of its own after the popup lets the next one open and
        // stay open: without it the second right click shows the popup and
        // closes it at once.
        PostMessageW(window, WM_NULL, 0, 0);
    }
    return 0;
}

void ReportSaveFailure() {
    const char* problem = SettingsProblem(g_settings);
    ShowTextBox(nullptr, problem != nullptr ? problem : kSaveFailedMessage, nullptr,
                MB_OK | MB_ICONWARNING);
}

// Everything is saved here, on every orderly exit; then the keys the engine
// still holds down are released before the process ends.
LRESULT OnDestroy(HWND window) {
    if (!SaveSettings(g_settings, Win32SettingsStorage(), g_keySets, g_options)) {
        ReportSaveFailure();
    }
    RemoveTrayIcon(window);
    StopEngine(g_engine, Win32EnginePlatform(), 500);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            return OnDestroy(window);
        case WM_SIZE:
            return OnSize(window, wParam);
        case WM_COMMAND:
            return OnCommand(wParam);
        case kTrayNotifyMessage:
            return OnTrayNotify(window, lParam);
        case WM_PAINT:
            return OnPaint(window);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    RegisterProgramClass(instance, kMainClass, MainWindowProc,
                         CreateSolidBrush(RGB(105, 153, 205)));
    return CreateWindowExW(0, kMainClass, L"Pamuro", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, 465,
                           405, nullptr, nullptr, instance, nullptr);
}

void CreateMainControls(HWND window, HINSTANCE instance) {
    for (int key = 0; key < kKeysPerSlot; ++key) {
        const int firstId = key == 0 ? CmdChangeKey1 : CmdChangeKey2;
        const int x = key == 0 ? 220 : 395;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            CreateButton(window, instance, firstId + slot, kChangeCaption, x,
                         kGridTop + kRowHeight * slot, 55, 23, kButtonStyle);
        }
    }
    CreateButton(window, instance, CmdHelp, kHelpCaption, 5, 350, 60, 25, kButtonStyle);
    CreateButton(window, instance, CmdRename, kNameCaption, 70, 350, 40, 25, kButtonStyle);
    CreateButton(window, instance, CmdDelete, kDeleteCaption, 115, 350, 40, 25, kButtonStyle);
    CreateButton(window, instance, CmdNew, kNewCaption, 160, 350, 40, 25, kButtonStyle);
    CreateButton(window, instance, CmdStartup, kStartupCaption, 205, 350, 160, 25,
                 kDisabledButtonStyle);
    CreateButton(window, instance, CmdSettings, kSettingsCaption, 370, 350, 40, 25, kButtonStyle);
    g_ui.setList = CreateWindowExW(
        0, L"COMBOBOX", WideTextOf<16>(kComboCaption).c_str(), kComboStyle, 8, 320, 445, 200,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(CmdSetList)), instance, nullptr);
}

void MinimiseToTray(HWND window) {
    NOTIFYICONDATAW icon = TrayIconRecord(window);
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayNotifyMessage;
    icon.hIcon = LoadIconW(g_ui.instance, MAKEINTRESOURCEW(IDI_MAPPER));
    lstrcpyW(icon.szTip, L"Pamuro");
    Shell_NotifyIconW(NIM_ADD, &icon);
    ShowWindow(window, SW_HIDE);
}

void RefreshSetList() {
    SendMessageW(g_ui.setList, CB_RESETCONTENT, 0, 0);
    for (int32_t set = 0; set <= g_keySets.SetKeyCount && set < kMaxSets; ++set) {
        SendMessageW(g_ui.setList, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(WideTextOf<kNameSize>(g_keySets.Names[set]).c_str()));
    }
}

void RefreshTitle() {
    char title[kTitleSize];
    FormatWindowTitle(g_keySets, title);
    SetWindowTextW(g_ui.mainWindow, WideTextOf<kTitleSize>(title).c_str());
}

// The set entries go above the first separator, highest index at the top;
// exactly the entries of the previous build are removed, never the fixed items.
void RebuildTrayMenu(bool first) {
    HMENU popup = GetSubMenu(g_ui.trayMenu, 0);
    if (!first) {
        for (int32_t i = 0; i <= g_ui.trayMenuSetCount; ++i) {
            DeleteMenu(popup, 0, MF_BYPOSITION);
        }
    }
    const int32_t highest = g_keySets.SetKeyCount.load();
    for (int32_t set = 0; set <= highest && set < kMaxSets; ++set) {
        InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(set),
                    WideTextOf<kNameSize>(g_keySets.Names[set]).c_str());
    }
    // Command id 0 is also what the separators carry: check only a real set.
    if (HasActiveSet(g_keySets)) {
        CheckMenuItem(g_ui.trayMenu, static_cast<UINT>(g_keySets.ActiveSet.load()),
                      MF_BYCOMMAND | MF_CHECKED);
    }
    g_ui.trayMenuSetCount = highest;
}

void SelectListEntry(int index) {
    SendMessageW(g_ui.setList, CB_SETCURSEL, index, 0);
}
