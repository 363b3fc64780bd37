// Key logger for tests under Wine: a visible window that makes itself the
// foreground window and records every key message it receives in the shared
// log of key_log.h. Closed by WM_CLOSE.
#include <windows.h>

#include "tests/wine/key_logger/key_log.h"

namespace {

KeyLog* g_log = nullptr;

void Record(UINT message, WPARAM wParam, LPARAM lParam) {
    const LONG index = g_log->Count;
    if (index >= kKeyLogCapacity) {
        return;
    }
    KeyLogEntry& entry = g_log->Entries[index];
    entry.Message = static_cast<LONG>(message);
    entry.Vk = static_cast<LONG>(wParam & 0xFF);
    entry.Scan = static_cast<LONG>((lParam >> 16) & 0xFF);
    entry.Extended = static_cast<LONG>((lParam >> 24) & 1);
    entry.Time = GetMessageTime();
    // The entry is complete before the driver can see it counted.
    InterlockedExchange(&g_log->Count, index + 1);
}

LRESULT CALLBACK LoggerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            Record(message, wParam, lParam);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateLoggerWindow(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = LoggerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "PamuroKeyLogger";
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, "PamuroKeyLogger", "Pamuro key logger",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320, 200, nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_log = OpenKeyLog();
    if (g_log == nullptr) {
        return 1;
    }
    HWND window = CreateLoggerWindow(instance);
    if (window == nullptr) {
        return 1;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    g_log->Window = reinterpret_cast<LONG_PTR>(window);
    // Let the window settle (activation, first paint) before telling the
    // driver it may send keys.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    InterlockedExchange(&g_log->Ready, 1);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
