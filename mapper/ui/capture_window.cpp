#include "capture_window.h"

#include "app.h"
#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"
#include "main_window.h"
#include "mapper/ui/core/ui_texts.h"
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

// Only the cancel button acts: the capture ends with no key written.
LRESULT OnCommand(MapperApp& app, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_CAPTURE_CANCEL) {
        EndCaptureWindows(app);
        CancelCapture(app.engine.Controls);
    }
    return 0;
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
            return OnCommand(*app, wParam);
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
                                  kCaptureWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 500, 100,
                                  nullptr, nullptr, instance, &app);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    CreateWindowExW(0, L"BUTTON", WideTextOf<32>(kCancelCaption).c_str(), kPushButtonStyle, 390, 45,
                    100, 25, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CAPTURE_CANCEL)), instance,
                    nullptr);
    return window;
}
