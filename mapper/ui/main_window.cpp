#include "main_window.h"

#include <shellapi.h>

#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"
#include "dialogs.h"
#include "mapper/engine/engine.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/settings.h"
#include "mapper/ui/core/key_labels.h"
#include "mapper/ui/core/main_commands.h"
#include "mapper/ui/core/ui_texts.h"
#include "mapper/ui/core/window_texts.h"
#include "resource.h"
#include "startup_registration.h"
#include "app.h"
#include "capture_window.h"
#include "window_class.h"
#include "window_styles.h"

namespace {

constexpr wchar_t kMainClass[] = L"PamuroMain";
constexpr int kRowHeight = 25;
constexpr int kGridTop = 20;
// The grid has a row per input; the combo box and the row of buttons follow.
constexpr int kGridRows = kInputCount;
constexpr int kSetListTop = kGridTop + kRowHeight * kGridRows;
constexpr int kButtonRowTop = kSetListTop + 30;
// 525 x 705 fits a 1366 x 768 screen above a 40-pixel task bar.
constexpr int kWindowWidth = 525;
constexpr int kWindowHeight = kButtonRowTop + 55;
constexpr int kRapidFireLeft = 455;

int RowTop(int row) {
    return kGridTop + kRowHeight * row;
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

// The tip names the active set, so a set changed from the pad can be checked
// without opening the window.
void FillTrayTip(const KeySetTable& table, NOTIFYICONDATAW& icon) {
    char tip[kTrayTipSize];
    FormatTrayTip(table, tip);
    SjisToWide(tip, icon.szTip, ARRAYSIZE(icon.szTip));
}

// Adds the tray icon of the main window; false when the shell refused it.
bool AddTrayIcon(const MapperApp& app, HWND window) {
    NOTIFYICONDATAW icon = TrayIconRecord(window);
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayNotifyMessage;
    icon.hIcon = LoadSmallProgramIcon(GetModuleHandleW(nullptr));
    FillTrayTip(app.keySets, icon);
    return Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

// Fails harmlessly while the window is shown and has no icon.
void UpdateTrayTip(const MapperApp& app) {
    NOTIFYICONDATAW icon = TrayIconRecord(app.mainWindow);
    icon.uFlags = NIF_TIP;
    FillTrayTip(app.keySets, icon);
    Shell_NotifyIconW(NIM_MODIFY, &icon);
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
    explicit Win32MainWindowView(MapperApp& app) : app_(app) {}
    void RefreshSetList() override { ::RefreshSetList(app_); }
    void RefreshTitle() override { ::RefreshTitle(app_); }
    void RebuildTrayMenu() override { ::RebuildTrayMenu(app_); }
    void SelectListEntry(int32_t index) override { ::SelectListEntry(app_, index); }
    int32_t ListSelection() override {
        return static_cast<int32_t>(SendMessageW(app_.setList, CB_GETCURSEL, 0, 0));
    }
    void InvalidateGrid() override {
        InvalidateRect(app_.mainWindow, nullptr, FALSE);
        RefreshRapidFireColumn(app_);
    }
    bool AskName(char* name) override { return RunNameDialog(app_.mainWindow, name); }
    void ShowMessage(const char* text) override { ShowSjisMessage(nullptr, text, nullptr, MB_OK); }
    bool AskYesNo(const char* text, const char* caption) override {
        return ShowSjisMessage(nullptr, text, caption, MB_YESNO) == IDYES;
    }
    void ShowHelp() override { ShowHelpFile(app_.mainWindow); }
    bool RunSettingsDialog() override { return ::RunSettingsDialog(app_.mainWindow, app_.options); }
    void SettingsChanged() override { NoteSettingsChange(app_); }
    void ShowCaptureWindow() override {
        FillActionList(app_);
        EnableWindow(app_.mainWindow, FALSE);
        ShowWindow(app_.captureWindow, SW_SHOWNORMAL);
    }
    void DestroyMainWindow() override { DestroyWindow(app_.mainWindow); }
    void RestoreFromTray() override {
        ShowWindow(app_.mainWindow, SW_RESTORE);
        RemoveTrayIcon(app_.mainWindow);
    }
    bool StartsWithWindows() override {
        return ::StartsWithWindows(app_.settings.startupDirectory);
    }
    bool SetStartsWithWindows(bool starts) override {
        return starts ? AddStartupShortcut(app_.settings.startupDirectory)
                      : RemoveStartupShortcut(app_.settings.startupDirectory);
    }
    void ShowStartupState(bool starts) override {
        SetWindowTextW(GetDlgItem(app_.mainWindow, IDC_MAIN_STARTUP),
                       WideTextOf<64>(starts ? kStartupRemoveCaption : kStartupCaption).c_str());
    }
    void ShowPauseState(bool paused) override {
        EnableMenuItem(app_.trayMenu, IDM_TRAY_RESUME,
                       MF_BYCOMMAND | (paused ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(app_.trayMenu, IDM_TRAY_PAUSE,
                       MF_BYCOMMAND | (paused ? MF_GRAYED : MF_ENABLED));
    }

  private:
    MapperApp& app_;
};

// --- painting -------------------------------------------------------------

OwnedGdiObject<HFONT> CreateGridFont(HDC dc, int points, int weight) {
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return OwnedGdiObject<HFONT>(CreateFontW(
        height, 0, 0, 0, weight, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_CHARACTER_PRECIS, ANTIALIASED_QUALITY, 0, WideTextOf<32>(kGridFontFace).c_str()));
}

// A white box outlined in black, with `text` drawn `inset` pixels in.
void DrawBox(HDC dc, RECT box, const char* text, POINT inset) {
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT textBox = {box.left + inset.x, box.top + inset.y, box.right, box.bottom};
    DrawTextW(dc, WideText(text).c_str(), -1, &textBox, DT_NOCLIP);
}

RECT RowLabelBox(int row) {
    const int top = RowTop(row);
    return RECT{8, top, 100, top + 20};
}

// The label of an input that is active now is drawn with its colours
// inverted, so a player sees which row a button of the pad is.
void PaintRowLabels(const MapperApp& app, HDC dc) {
    for (int input = 0; input < kInputCount; ++input) {
        const RECT box = RowLabelBox(kInputs[input].GridRow);
        DrawBox(dc, box, kInputs[input].Label, POINT{2, 2});
        if ((app.highlightedInputs & InputBit(input)) != 0) {
            InvertRect(dc, &box);
        }
    }
}

// The two keys of every input of the active set, or its action in both
// boxes; ActiveSet and each entry are read afresh, since the polling thread
// may write one during a capture.
void PaintBoundKeys(const MapperApp& app, HDC dc) {
    char label[1024];
    static_assert(sizeof label >= kActionTextSize, "an action's text fits");
    for (int key = 0; key < kKeysPerInput; ++key) {
        const int right = 215 + 175 * key;
        for (int input = 0; input < kInputCount; ++input) {
            const int top = RowTop(kInputs[input].GridRow);
            const int32_t action = ActiveAction(app.keySets, input);
            const auto code = static_cast<uint32_t>(ActiveKey(app.keySets, input, key));
            if (action != ActionNone) {
                FormatActionText(app.keySets, action, label);
            } else {
                GetKeyLabel(code, label, sizeof label, app.platform.keyNames);
            }
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

LRESULT OnPaint(const MapperApp& app, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const OwnedGdiObject<HFONT> labelFont = CreateGridFont(dc, 12, 1000);
    const OwnedGdiObject<HFONT> smallFont = CreateGridFont(dc, 8, 500);
    HGDIOBJ previous = SelectObject(dc, labelFont.Get());
    PaintRowLabels(app, dc);
    SelectObject(dc, smallFont.Get());
    PaintBoundKeys(app, dc);
    PaintHeadings(dc);
    SelectObject(dc, previous);
    EndPaint(window, &paint);
    return 0;
}

// The engine says which inputs are active now: only the label boxes whose
// highlight changes are repainted.
LRESULT OnActiveInputs(MapperApp& app, HWND window, WPARAM inputs) {
    const auto active = static_cast<uint32_t>(inputs);
    const uint32_t changed = active ^ app.highlightedInputs;
    app.highlightedInputs = active;
    for (int input = 0; input < kInputCount; ++input) {
        if ((changed & InputBit(input)) != 0) {
            const RECT box = RowLabelBox(kInputs[input].GridRow);
            InvalidateRect(window, &box, FALSE);
        }
    }
    return 0;
}

// The engine stored a captured key.
LRESULT OnKeyCaptured(MapperApp& app) {
    FinishCapture(app);
    return 0;
}

LRESULT OnActiveSetChanged(MapperApp& app) {
    Win32MainWindowView view(app);
    ShowActiveSetChange(view, app.keySets);
    return 0;
}

// The flag is read afresh: two pauses in quick succession end as the last.
LRESULT OnPauseChanged(MapperApp& app) {
    Win32MainWindowView(app).ShowPauseState(app.engine.Controls.ControlEnabled.load() == 0);
    return 0;
}

// A rapid-fire list's choice changes the active set, and is saved soon.
void OnRapidFireChoice(MapperApp& app, int input, HWND list) {
    const LRESULT entry = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (entry == CB_ERR) {
        return;
    }
    const LRESULT rate = SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0);
    SetActiveRapidFire(app.keySets, input, static_cast<int32_t>(rate));
    NoteSettingsChange(app);
}

LRESULT OnCommand(MapperApp& app, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (id >= IDC_MAIN_RAPID_FIRE && id < IDC_MAIN_RAPID_FIRE + kInputCount) {
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            OnRapidFireChoice(app, id - IDC_MAIN_RAPID_FIRE, reinterpret_cast<HWND>(lParam));
        }
        return 0;
    }
    Win32MainWindowView view(app);
    HandleMainCommand(static_cast<uint16_t>(id), view, app.keySets, app.engine.Controls);
    return 0;
}

// Minimise to the tray: adds the tray icon and hides the main window. Without
// its icon a hidden window could not be reached: it is hidden only once the
// shell has taken the icon, and stays where it is otherwise.
void MinimiseToTray(const MapperApp& app, HWND window) {
    if (AddTrayIcon(app, window)) {
        ShowWindow(window, SW_HIDE);
    }
}

LRESULT OnSize(const MapperApp& app, HWND window, WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED) {
        MinimiseToTray(app, window);
    }
    return 0;
}

LRESULT OnTrayNotify(MapperApp& app, HWND window, LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        Win32MainWindowView(app).RestoreFromTray();
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        POINT cursor;
        GetCursorPos(&cursor);
        // The popup closes on a click elsewhere only while its owner is the
        // foreground window; the main window is hidden in the tray, so it is
        // brought forward first.
        SetForegroundWindow(window);
        TrackPopupMenu(GetSubMenu(app.trayMenu, 0), 0, cursor.x, cursor.y, 0, window, nullptr);
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
LRESULT OnTaskbarCreated(const MapperApp& app, HWND window) {
    if (!IsWindowVisible(window) && !AddTrayIcon(app, window)) {
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
void StopPollingThread(MapperApp& app) {
    RequestStop(app.engine.Controls);
    if (app.pollingThread == nullptr) {
        app.engine.ReleaseHeldKeys();
        return;
    }
    WaitForSingleObject(app.pollingThread, 1000);
}

// The save of the exit and of the end of the session: the keys the engine
// still holds down are released and everything is saved. The tray icon goes
// first: its clicks must not reach a window that is going away while a
// failed save is reported.
bool SaveForGood(MapperApp& app, HWND window) {
    RemoveTrayIcon(window);
    KillTimer(window, kSaveSoonTimerId);
    StopPollingThread(app);
    return SaveSettings(app.settings, app.platform.settings, app.keySets, app.options);
}

LRESULT OnDestroy(MapperApp& app, HWND window) {
    if (!app.sessionEnded && !SaveForGood(app, window)) {
        ReportSaveFailure(SettingsProblem(app.settings));
    }
    PostQuitMessage(0);
    return 0;
}

// Shutdown, restart or logoff: the process may be ended as soon as this
// returns, without WM_DESTROY. Nothing is shown: a message box would only
// hold the shutdown up.
LRESULT OnEndSession(MapperApp& app, HWND window, WPARAM ending) {
    if (ending && !app.sessionEnded) {
        app.sessionEnded = true;
        SaveForGood(app, window);
    }
    return 0;
}

LRESULT OnSaveSoonTimer(MapperApp& app, HWND window) {
    KillTimer(window, kSaveSoonTimerId);
    const char* problem =
        SaveSoonDue(app.saveSoon, app.settings, app.platform.settings, app.keySets, app.options);
    // Armed before the report: the message box must not hold the next try up.
    if (app.saveSoon.pending && !app.sessionEnded) {
        SetTimer(window, kSaveSoonTimerId, app.saveSoon.retryDelayMs, nullptr);
    }
    if (problem != nullptr) {
        ReportSaveFailure(problem);
    }
    return 0;
}

// Another start of mapper asks for the window, as a left click on the tray
// icon would; it has allowed this process to take the foreground.
LRESULT OnShowFromSecondStart(MapperApp& app, HWND window) {
    Win32MainWindowView(app).RestoreFromTray();
    SetForegroundWindow(window);
    return 0;
}

// Answered first: the elevated start waits for this process to end.
LRESULT OnCloseForElevatedStart(HWND window) {
    PostMessageW(window, WM_COMMAND, IDM_TRAY_EXIT, 0);
    return kSecondStartAnswer;
}

LRESULT OnTimer(MapperApp& app, HWND window, WPARAM id) {
    if (id == kSaveSoonTimerId) {
        return OnSaveSoonTimer(app, window);
    }
    if (id == kFollowTimerId) {
        FollowTick(app.follow);
    }
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MapperApp* found = AppOfMessage(window, message, lParam);
    if (found == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    MapperApp& app = *found;
    if (message == app.taskbarCreatedMessage && message != 0) {
        return OnTaskbarCreated(app, window);
    }
    switch (message) {
        case WM_DESTROY:
            return OnDestroy(app, window);
        case WM_QUERYENDSESSION:
            return TRUE;  // never hold a shutdown up: the save comes at WM_ENDSESSION
        case WM_ENDSESSION:
            return OnEndSession(app, window, wParam);
        case WM_TIMER:
            return OnTimer(app, window, wParam);
        case kShowFromSecondStartMessage:
            return OnShowFromSecondStart(app, window);
        case kSecondStartQueryMessage:
            return kSecondStartAnswer;
        case kCloseForElevatedStartMessage:
            return OnCloseForElevatedStart(window);
        case WM_SIZE:
            return OnSize(app, window, wParam);
        case WM_COMMAND:
            return OnCommand(app, wParam, lParam);
        case kTrayNotifyMessage:
            return OnTrayNotify(app, window, lParam);
        case WM_PAINT:
            return OnPaint(app, window);
        case kActiveInputsMessage:
            return OnActiveInputs(app, window, wParam);
        case kKeyCapturedMessage:
            return OnKeyCaptured(app);
        case kActiveSetChangedMessage:
            return OnActiveSetChanged(app);
        case kPauseChangedMessage:
            return OnPauseChanged(app);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateMainWindow(MapperApp& app) {
    app.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    RegisterProgramClass(app.instance, kMainClass, MainWindowProc,
                         CreateSolidBrush(RGB(105, 153, 205)));
    HWND window =
        CreateWindowExW(0, kMainClass, L"Pamuro", kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        kWindowWidth, kWindowHeight, nullptr, nullptr, app.instance, &app);
    // An elevated mapper would otherwise drop these two, which come from
    // processes of lower integrity: Explorer and a second start.
    ChangeWindowMessageFilterEx(window, app.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, kShowFromSecondStartMessage, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, kSecondStartQueryMessage, MSGFLT_ALLOW, nullptr);
    return window;
}

HWND FindMainWindowOfFirstStart() {
    return FindWindowW(kMainClass, nullptr);
}

bool IsMainWindow(HWND window) {
    wchar_t className[16] = {};
    return GetClassNameW(window, className, 16) != 0 && lstrcmpW(className, kMainClass) == 0;
}

void NoteSettingsChange(MapperApp& app) {
    if (app.mainWindow != nullptr && !app.sessionEnded) {
        SetTimer(app.mainWindow, kSaveSoonTimerId, NoteChange(app.saveSoon), nullptr);
    }
}

void EndCaptureWindows(MapperApp& app) {
    ShowWindow(app.mainWindow, SW_SHOW);
    EnableWindow(app.mainWindow, TRUE);
    ShowWindow(app.captureWindow, SW_HIDE);
}

void FinishCapture(MapperApp& app) {
    EndCaptureWindows(app);
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    NoteSettingsChange(app);
}

void CreateMainControls(MapperApp& app) {
    HWND window = app.mainWindow;
    HINSTANCE instance = app.instance;
    for (int key = 0; key < kKeysPerInput; ++key) {
        const int firstId = key == 0 ? IDC_MAIN_CHANGE_KEY1 : IDC_MAIN_CHANGE_KEY2;
        const int x = key == 0 ? 220 : 395;
        for (int input = 0; input < kInputCount; ++input) {
            CreateButton(window, instance, firstId + input, kChangeCaption, x,
                         RowTop(kInputs[input].GridRow), 55, 23, kPushButtonStyle);
        }
    }
    for (int input = 0; input < kInputCount; ++input) {
        CreateWindowExW(0, L"COMBOBOX", L"", kRapidFireListStyle, kRapidFireLeft,
                        RowTop(kInputs[input].GridRow), 55, 200, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_RAPID_FIRE + input)),
                        instance, nullptr);
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
    app.setList = CreateWindowExW(0, L"COMBOBOX", WideTextOf<16>(kComboCaption).c_str(),
                                  kSetListStyle, 8, kSetListTop, 505, 200, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_SET_LIST)),
                                  instance, nullptr);
}

void RefreshSetList(MapperApp& app) {
    SendMessageW(app.setList, CB_RESETCONTENT, 0, 0);
    const int32_t count = SetCount(app.keySets);
    for (int32_t set = 0; set < count; ++set) {
        SendMessageW(
            app.setList, CB_ADDSTRING, 0,
            reinterpret_cast<LPARAM>(WideTextOf<kNameSize>(app.keySets.Names[set]).c_str()));
    }
}

void RefreshTitle(MapperApp& app) {
    char title[kTitleSize];
    FormatWindowTitle(app.keySets, title);
    SetWindowTextW(app.mainWindow, WideTextOf<kTitleSize>(title).c_str());
    UpdateTrayTip(app);
}

// The set entries go above the first separator, highest index at the top.
// Exactly the entries that the previous rebuild inserted are removed, never
// the fixed items, in whatever order the rebuilds come: a command used while
// the start-up warning is still open rebuilds before start-up first does.
void RebuildTrayMenu(MapperApp& app) {
    HMENU popup = GetSubMenu(app.trayMenu, 0);
    for (; app.trayMenuEntries > 0; --app.trayMenuEntries) {
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    const int32_t count = SetCount(app.keySets);
    for (int32_t set = 0; set < count; ++set) {
        if (InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(set),
                        WideTextOf<kNameSize>(app.keySets.Names[set]).c_str())) {
            ++app.trayMenuEntries;
        }
    }
    // Command id 0 is also what the separators carry: check only a real set.
    if (HasActiveSet(app.keySets)) {
        CheckMenuItem(app.trayMenu, static_cast<UINT>(app.keySets.ActiveSet.load()),
                      MF_BYCOMMAND | MF_CHECKED);
    }
}

namespace {

// An entry of a rapid-fire list, carrying its rate; its index.
LRESULT AddRapidFireEntry(HWND list, int rate) {
    wchar_t text[8];
    if (rate == 0) {
        lstrcpynW(text, WideTextOf<8>(kRapidFireOff).c_str(), 8);
    } else {
        wsprintfW(text, L"%d", rate);
    }
    const LRESULT entry = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(entry), rate);
    return entry;
}

// The choices of every row, with the active set's rate selected; a rate
// from the file that is not among them comes last, so the row shows it.
void FillRapidFireList(HWND list, int rate) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    LRESULT selected = -1;
    for (int choice : kRapidFireChoices) {
        const LRESULT entry = AddRapidFireEntry(list, choice);
        selected = choice == rate ? entry : selected;
    }
    if (selected < 0) {
        selected = AddRapidFireEntry(list, rate);
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace

void RefreshRapidFireColumn(MapperApp& app) {
    for (int input = 0; input < kInputCount; ++input) {
        FillRapidFireList(GetDlgItem(app.mainWindow, IDC_MAIN_RAPID_FIRE + input),
                          ActiveRapidFire(app.keySets, input));
    }
}

void SelectListEntry(MapperApp& app, int index) {
    SendMessageW(app.setList, CB_SETCURSEL, index, 0);
}

void RefreshStartupButton(MapperApp& app) {
    Win32MainWindowView view(app);
    view.ShowStartupState(view.StartsWithWindows());
}
