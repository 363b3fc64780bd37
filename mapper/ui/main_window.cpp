#include "main_window.h"

#include <shellapi.h>

#include "common/win32/sjis_text.h"
#include "dialogs.h"
#include "mapper/engine/polling.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/settings.h"
#include "mapper/ui/core/key_labels.h"
#include "mapper/ui/core/main_commands.h"
#include "mapper/ui/core/ui_texts.h"
#include "mapper/ui/core/window_texts.h"
#include "resource.h"
#include "startup_registration.h"
#include "ui_state.h"
#include "window_class.h"
#include "window_styles.h"

namespace {

constexpr wchar_t kMainClass[] = L"PamuroMain";
constexpr int kRowHeight = 25;
constexpr int kGridTop = 20;
// The combo box and the row of buttons below the grid's twenty rows.
constexpr int kSetListTop = 520;
constexpr int kButtonRowTop = 550;

static_assert(sizeof kRowLabels / sizeof kRowLabels[0] == kSlotCount, "one label per input");

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

// Adds the tray icon of the main window; false when the shell refused it.
bool AddTrayIcon(HWND window) {
    NOTIFYICONDATAW icon = TrayIconRecord(window);
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayNotifyMessage;
    icon.hIcon = LoadSmallProgramIcon(g_ui.instance);
    lstrcpyW(icon.szTip, L"Pamuro");
    return Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

}  // namespace

bool ShowTrayBalloon(HWND window, const char* sjisText, const char* sjisTitle) {
    NOTIFYICONDATAW icon = TrayIconRecord(window);
    icon.cbSize = NOTIFYICONDATAW_V2_SIZE;  // the first form with a balloon
    icon.uFlags = NIF_INFO;
    icon.dwInfoFlags = NIIF_WARNING;
    SjisToWide(sjisText, icon.szInfo, ARRAYSIZE(icon.szInfo));
    SjisToWide(sjisTitle, icon.szInfoTitle, ARRAYSIZE(icon.szInfoTitle));
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

namespace {

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

// The old help engine where a Pamuro.hlp lies beside the program, given that
// very file (a bare name would be looked for in the current and the system
// folders); otherwise the HTML help page that ships beside the program, in
// the user's browser.
void ShowHelpFile(HWND window) {
    wchar_t path[MAX_PATH];
    if (ProgramFolderFile(L"Pamuro.hlp", path, MAX_PATH) && FileExists(path)) {
        WinHelpW(window, path, HELP_FINDER, 0);
        return;
    }
    if (ProgramFolderFile(L"pamuro-help.html", path, MAX_PATH) && FileExists(path)) {
        const INT_PTR result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(window, L"open", path, nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) {
            return;
        }
    }
    ShowSjisMessage(window, kHelpMissingMessage, nullptr, MB_OK);
}

// The windows as the portable commands see them.
class Win32MainWindowView : public MainWindowView {
  public:
    void RefreshSetList() override { ::RefreshSetList(); }
    void RefreshTitle() override { ::RefreshTitle(); }
    void RebuildTrayMenu() override { ::RebuildTrayMenu(); }
    void SelectListEntry(int32_t index) override { ::SelectListEntry(index); }
    int32_t ListSelection() override {
        return static_cast<int32_t>(SendMessageW(g_ui.setList, CB_GETCURSEL, 0, 0));
    }
    void InvalidateGrid() override { InvalidateRect(g_ui.mainWindow, nullptr, FALSE); }
    bool AskName(char* name) override { return RunNameDialog(g_ui.mainWindow, name); }
    void ShowMessage(const char* text) override { ShowSjisMessage(nullptr, text, nullptr, MB_OK); }
    bool AskYesNo(const char* text, const char* caption) override {
        return ShowSjisMessage(nullptr, text, caption, MB_YESNO) == IDYES;
    }
    void ShowHelp() override { ShowHelpFile(g_ui.mainWindow); }
    bool RunSettingsDialog() override { return ::RunSettingsDialog(g_ui.mainWindow); }
    void SettingsChanged() override { NoteSettingsChange(); }
    void ShowCaptureWindow() override {
        EnableWindow(g_ui.mainWindow, FALSE);
        ShowWindow(g_ui.captureWindow, SW_SHOWNORMAL);
    }
    void DestroyMainWindow() override { DestroyWindow(g_ui.mainWindow); }
    void RestoreFromTray() override {
        ShowWindow(g_ui.mainWindow, SW_RESTORE);
        RemoveTrayIcon(g_ui.mainWindow);
    }
    bool StartsWithWindows() override { return ::StartsWithWindows(g_settings.startupDirectory); }
    bool SetStartsWithWindows(bool starts) override {
        return starts ? AddStartupShortcut(g_settings.startupDirectory)
                      : RemoveStartupShortcut(g_settings.startupDirectory);
    }
    void ShowStartupState(bool starts) override {
        SetWindowTextW(GetDlgItem(g_ui.mainWindow, IDC_MAIN_STARTUP),
                       WideTextOf<64>(starts ? kStartupRemoveCaption : kStartupCaption).c_str());
    }
    void ShowPauseState(bool paused) override {
        EnableMenuItem(g_ui.trayMenu, IDM_TRAY_RESUME,
                       MF_BYCOMMAND | (paused ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(g_ui.trayMenu, IDM_TRAY_PAUSE,
                       MF_BYCOMMAND | (paused ? MF_GRAYED : MF_ENABLED));
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

RECT RowLabelBox(int row) {
    const int top = kGridTop + kRowHeight * row;
    return RECT{8, top, 100, top + 20};
}

// The label of an input that is active now is drawn with its colours
// inverted, so a player sees which row a button of the pad is.
void PaintRowLabels(HDC dc) {
    for (int row = 0; row < kSlotCount; ++row) {
        const RECT box = RowLabelBox(row);
        DrawBox(dc, box, kRowLabels[row], POINT{2, 2});
        if ((g_ui.highlightedInputs & (1u << row)) != 0) {
            InvertRect(dc, &box);
        }
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
            GetKeyLabel(code, label, sizeof label, g_ui.platform->keyNames);
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

// The polling thread says which inputs are active now: only the label boxes
// whose highlight changes are repainted.
LRESULT OnActiveInputs(HWND window, WPARAM inputs) {
    const auto active = static_cast<uint32_t>(inputs);
    const uint32_t changed = active ^ g_ui.highlightedInputs;
    g_ui.highlightedInputs = active;
    for (int row = 0; row < kSlotCount; ++row) {
        if ((changed & (1u << row)) != 0) {
            const RECT box = RowLabelBox(row);
            InvalidateRect(window, &box, FALSE);
        }
    }
    return 0;
}

LRESULT OnCommand(WPARAM wParam) {
    Win32MainWindowView view;
    HandleMainCommand(LOWORD(wParam), view, g_keySets, g_engine);
    return 0;
}

// Minimise to the tray: adds the tray icon and hides the main window. Without
// its icon a hidden window could not be reached: it is hidden only once the
// shell has taken the icon, and stays where it is otherwise.
void MinimiseToTray(HWND window) {
    if (AddTrayIcon(window)) {
        ShowWindow(window, SW_HIDE);
    }
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

// Explorer has started again and lost every tray icon: a program hidden in
// the tray puts its icon back, or shows itself on the task bar when the shell
// refuses it, so that it can always be reached.
LRESULT OnTaskbarCreated(HWND window) {
    if (!IsWindowVisible(window) && !AddTrayIcon(window)) {
        ShowWindow(window, SW_SHOWMINNOACTIVE);
    }
    return 0;
}

void ReportSaveFailure(const char* problem) {
    ShowSjisMessage(nullptr, problem != nullptr ? problem : kSaveFailedMessage, nullptr,
                    MB_OK | MB_ICONWARNING);
}

// The polling thread releases every held key and ends; one stuck inside a
// platform call is given up on after a second. Without a polling thread the
// keys are released from here.
void StopPollingThread() {
    RequestStop(g_engine);
    if (g_ui.pollingThread == nullptr) {
        ReleaseHeldKeys(g_engine, g_ui.platform->engine);
        return;
    }
    WaitForSingleObject(g_ui.pollingThread, 1000);
}

// The save of the exit and of the end of the session: the keys the engine
// still holds down are released and everything is saved. The tray icon goes
// first: its clicks must not reach a window that is going away while a
// failed save is reported.
bool SaveForGood(HWND window) {
    RemoveTrayIcon(window);
    KillTimer(window, kSaveSoonTimerId);
    StopPollingThread();
    return SaveSettings(g_settings, g_ui.platform->settings, g_keySets, g_options);
}

LRESULT OnDestroy(HWND window) {
    if (!g_ui.sessionEnded && !SaveForGood(window)) {
        ReportSaveFailure(SettingsProblem(g_settings));
    }
    PostQuitMessage(0);
    return 0;
}

// Shutdown, restart or logoff: the process may be ended as soon as this
// returns, without WM_DESTROY. Nothing is shown: a message box would only
// hold the shutdown up.
LRESULT OnEndSession(HWND window, WPARAM ending) {
    if (ending && !g_ui.sessionEnded) {
        g_ui.sessionEnded = true;
        SaveForGood(window);
    }
    return 0;
}

LRESULT OnSaveSoonTimer(HWND window) {
    KillTimer(window, kSaveSoonTimerId);
    const char* problem =
        SaveSoonDue(g_ui.saveSoon, g_settings, g_ui.platform->settings, g_keySets, g_options);
    // Armed before the report: the message box must not hold the next try up.
    if (g_ui.saveSoon.pending && !g_ui.sessionEnded) {
        SetTimer(window, kSaveSoonTimerId, g_ui.saveSoon.retryDelayMs, nullptr);
    }
    if (problem != nullptr) {
        ReportSaveFailure(problem);
    }
    return 0;
}

// Another start of mapper asks for the window, as a left click on the tray
// icon would; it has allowed this process to take the foreground.
LRESULT OnShowFromSecondStart(HWND window) {
    Win32MainWindowView().RestoreFromTray();
    SetForegroundWindow(window);
    return 0;
}

// Answered first: the elevated start waits for this process to end.
LRESULT OnCloseForElevatedStart(HWND window) {
    PostMessageW(window, WM_COMMAND, IDM_TRAY_EXIT, 0);
    return kSecondStartAnswer;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_ui.taskbarCreatedMessage && message != 0) {
        return OnTaskbarCreated(window);
    }
    switch (message) {
        case WM_DESTROY:
            return OnDestroy(window);
        case WM_QUERYENDSESSION:
            return TRUE;  // never hold a shutdown up: the save comes at WM_ENDSESSION
        case WM_ENDSESSION:
            return OnEndSession(window, wParam);
        case WM_TIMER:
            return wParam == kSaveSoonTimerId ? OnSaveSoonTimer(window) : 0;
        case kShowFromSecondStartMessage:
            return OnShowFromSecondStart(window);
        case kSecondStartQueryMessage:
            return kSecondStartAnswer;
        case kCloseForElevatedStartMessage:
            return OnCloseForElevatedStart(window);
        case WM_SIZE:
            return OnSize(window, wParam);
        case WM_COMMAND:
            return OnCommand(wParam);
        case kTrayNotifyMessage:
            return OnTrayNotify(window, lParam);
        case WM_PAINT:
            return OnPaint(window);
        case kActiveInputsMessage:
            return OnActiveInputs(window, wParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    g_ui.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    RegisterProgramClass(instance, kMainClass, MainWindowProc,
                         CreateSolidBrush(RGB(105, 153, 205)));
    HWND window = CreateWindowExW(0, kMainClass, L"Pamuro", kMainWindowStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 465, 605, nullptr, nullptr, instance, nullptr);
    // An elevated mapper would otherwise drop these two, which come from
    // processes of lower integrity: Explorer and a second start.
    ChangeWindowMessageFilterEx(window, g_ui.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, kShowFromSecondStartMessage, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, kSecondStartQueryMessage, MSGFLT_ALLOW, nullptr);
    return window;
}

HWND FindMainWindowOfFirstStart() {
    return FindWindowW(kMainClass, nullptr);
}

void NoteSettingsChange() {
    if (g_ui.mainWindow != nullptr && !g_ui.sessionEnded) {
        SetTimer(g_ui.mainWindow, kSaveSoonTimerId, NoteChange(g_ui.saveSoon), nullptr);
    }
}

void CreateMainControls(HWND window, HINSTANCE instance) {
    for (int key = 0; key < kKeysPerSlot; ++key) {
        const int firstId = key == 0 ? IDC_MAIN_CHANGE_KEY1 : IDC_MAIN_CHANGE_KEY2;
        const int x = key == 0 ? 220 : 395;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            CreateButton(window, instance, firstId + slot, kChangeCaption, x,
                         kGridTop + kRowHeight * slot, 55, 23, kPushButtonStyle);
        }
    }
    CreateButton(window, instance, IDC_MAIN_HELP, kHelpCaption, 5, kButtonRowTop, 60, 25,
                 kPushButtonStyle);
    CreateButton(window, instance, IDC_MAIN_RENAME, kNameCaption, 70, kButtonRowTop, 40, 25,
                 kPushButtonStyle);
    CreateButton(window, instance, IDC_MAIN_DELETE, kDeleteCaption, 115, kButtonRowTop, 40, 25,
                 kPushButtonStyle);
    CreateButton(window, instance, IDC_MAIN_NEW, kNewCaption, 160, kButtonRowTop, 40, 25,
                 kPushButtonStyle);
    CreateButton(window, instance, IDC_MAIN_STARTUP, kStartupCaption, 205, kButtonRowTop, 160, 25,
                 kPushButtonStyle);
    CreateButton(window, instance, IDC_MAIN_SETTINGS, kSettingsCaption, 370, kButtonRowTop, 40, 25,
                 kPushButtonStyle);
    g_ui.setList = CreateWindowExW(0, L"COMBOBOX", WideTextOf<16>(kComboCaption).c_str(),
                                   kSetListStyle, 8, kSetListTop, 445, 200, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_SET_LIST)),
                                   instance, nullptr);
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

// The set entries go above the first separator, highest index at the top.
// Exactly the entries that the previous rebuild inserted are removed, never
// the fixed items, in whatever order the rebuilds come: a command used while
// the start-up warning is still open rebuilds before start-up first does.
void RebuildTrayMenu() {
    HMENU popup = GetSubMenu(g_ui.trayMenu, 0);
    for (; g_ui.trayMenuEntries > 0; --g_ui.trayMenuEntries) {
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    const int32_t highest = g_keySets.SetKeyCount.load();
    for (int32_t set = 0; set <= highest && set < kMaxSets; ++set) {
        if (InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(set),
                        WideTextOf<kNameSize>(g_keySets.Names[set]).c_str())) {
            ++g_ui.trayMenuEntries;
        }
    }
    // Command id 0 is also what the separators carry: check only a real set.
    if (HasActiveSet(g_keySets)) {
        CheckMenuItem(g_ui.trayMenu, static_cast<UINT>(g_keySets.ActiveSet.load()),
                      MF_BYCOMMAND | MF_CHECKED);
    }
}

void SelectListEntry(int index) {
    SendMessageW(g_ui.setList, CB_SETCURSEL, index, 0);
}

void RefreshStartupButton() {
    Win32MainWindowView view;
    view.ShowStartupState(view.StartsWithWindows());
}
