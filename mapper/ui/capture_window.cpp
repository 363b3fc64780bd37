#include "capture_window.h"

#include "app.h"
#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"
#include "main_window.h"
#include "mapper/ui/core/ui_texts.h"
#include "mapper/ui/core/window_texts.h"
#include "resource.h"
#include "window_class.h"
#include "window_styles.h"

namespace {

constexpr wchar_t kCaptureClass[] = L"PamuroKey";

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkMode(dc, TRANSPARENT);
    const int height = -MulDiv(20, GetDeviceCaps(dc, LOGPIXELSY), 72);
    const OwnedGdiObject<HFONT> font(CreateFontW(
        height, 0, 0, 0, 1000, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_CHARACTER_PRECIS, ANTIALIASED_QUALITY, 0, WideTextOf<32>(kGridFontFace).c_str()));
    HGDIOBJ previous = SelectObject(dc, font.Get());
    RECT box = {0, 10, 500, 100};
    DrawTextW(dc, WideTextOf<64>(kCapturePrompt).c_str(), -1, &box, DT_CENTER);
    SelectObject(dc, previous);
    EndPaint(window, &paint);
    return 0;
}

// The chosen action goes to the input being captured, which ends the capture
// as a key would. A key that came first has ended it already: its own
// message brings the windows back.
void AssignChosenAction(MapperApp& app, HWND window) {
    const auto chosen =
        static_cast<int32_t>(SendDlgItemMessageW(window, IDC_CAPTURE_ACTIONS, CB_GETCURSEL, 0, 0));
    const int32_t action = ActionOfChoice(chosen);
    if (action != ActionNone && AssignActionToCapture(app.engine.Controls, app.keySets, action)) {
        FinishCapture(app);
    }
}

// The cancel button ends the capture with no key written.
LRESULT OnCommand(MapperApp& app, HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_CAPTURE_CANCEL) {
        EndCaptureWindows(app);
        CancelCapture(app.engine.Controls);
    } else if (LOWORD(wParam) == IDC_CAPTURE_ASSIGN) {
        AssignChosenAction(app, window);
    }
    return 0;
}

// The label lies on the window's own light grey, not the dialog colour.
LRESULT OnStaticColour(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, const char* text,
                 DWORD style, RECT box, int id) {
    HWND child = CreateWindowExW(
        0, className, WideTextOf<64>(text).c_str(), style, box.left, box.top, box.right, box.bottom,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    // The label's text does not fit the system font in its 140 pixels.
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return child;
}

// The main window's end runs the exit; this one's only goes with it.
LRESULT CALLBACK CaptureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MapperApp* app = AppOfMessage(window, message, lParam);
    if (app == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT:
            return OnPaint(window);
        case WM_COMMAND:
            return OnCommand(*app, window, wParam);
        case WM_CTLCOLORSTATIC:
            return OnStaticColour(reinterpret_cast<HDC>(wParam));
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateCaptureWindow(MapperApp& app) {
    const HINSTANCE instance = app.instance;
    RegisterProgramClass(instance, kCaptureClass, CaptureWindowProc,
                         static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    HWND window = CreateWindowExW(0, kCaptureClass, WideTextOf<32>(kCaptureTitle).c_str(),
                                  kCaptureWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 500, 135,
                                  nullptr, nullptr, instance, &app);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    CreateWindowExW(0, L"BUTTON", WideTextOf<32>(kCancelCaption).c_str(), kPushButtonStyle, 390, 45,
                    100, 25, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CAPTURE_CANCEL)), instance,
                    nullptr);
    // Left, top, width and height; a drop-down's height includes its list.
    CreateChild(window, instance, L"STATIC", kActionLabel,
                WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, RECT{10, 85, 140, 20}, -1);
    CreateChild(window, instance, L"COMBOBOX", "", kSetListStyle, RECT{150, 80, 230, 300},
                IDC_CAPTURE_ACTIONS);
    CreateChild(window, instance, L"BUTTON", kAssignActionCaption, kPushButtonStyle,
                RECT{390, 80, 100, 25}, IDC_CAPTURE_ASSIGN);
    return window;
}

void FillActionList(MapperApp& app) {
    HWND list = GetDlgItem(app.captureWindow, IDC_CAPTURE_ACTIONS);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    const int32_t choices = kFirstHoldChoice + app.keySets.SetKeyCount.load() + 1;
    char text[kActionTextSize];
    for (int32_t choice = 0; choice < choices && choice < kFirstHoldChoice + kMaxSets; ++choice) {
        FormatActionText(app.keySets, ActionOfChoice(choice), text);
        SendMessageW(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(WideTextOf<kActionTextSize>(text).c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}
