#include "capture_window.h"

#include "common/win32/sjis_text.h"
#include "mapper/engine/engine_state.h"
#include "mapper/ui/core/ui_texts.h"
#include "resource.h"
#include "ui_state.h"
#include "window_class.h"
#include "window_styles.h"

namespace {

constexpr wchar_t kCaptureClass[] = L"PamuroKey";

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkMode(dc, TRANSPARENT);
    const int height = -MulDiv(20, GetDeviceCaps(dc, LOGPIXELSY), 72);
    HFONT font = CreateFontW(height, 0, 0, 0, 1000, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_CHARACTER_PRECIS, ANTIALIASED_QUALITY, 0,
                             WideTextOf<32>(kGridFontFace).c_str());
    HGDIOBJ previous = SelectObject(dc, font);
    RECT box = {0, 10, 500, 100};
    DrawTextW(dc, WideTextOf<64>(kCapturePrompt).c_str(), -1, &box, DT_CENTER);
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(window, &paint);
    return 0;
}

// Only the cancel button acts: the capture ends with no key written.
LRESULT OnCommand(WPARAM wParam) {
    if (LOWORD(wParam) == IDC_CAPTURE_CANCEL) {
        CancelCapture(g_engine, g_ui.platform->engine);
    }
    return 0;
}

LRESULT CALLBACK CaptureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            return OnPaint(window);
        case WM_COMMAND:
            return OnCommand(wParam);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateCaptureWindow(HINSTANCE instance) {
    RegisterProgramClass(instance, kCaptureClass, CaptureWindowProc,
                         static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    HWND window = CreateWindowExW(0, kCaptureClass, WideTextOf<32>(kCaptureTitle).c_str(),
                                  kCaptureWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 500, 100,
                                  nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    CreateWindowExW(0, L"BUTTON", WideTextOf<32>(kCancelCaption).c_str(), kPushButtonStyle, 390, 45,
                    100, 25, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CAPTURE_CANCEL)), instance,
                    nullptr);
    return window;
}
