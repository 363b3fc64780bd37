#include "window_class.h"

#include "app.h"
#include "resource.h"

void RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                          HBRUSH background) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAPPER));
    windowClass.hIconSm = LoadSmallProgramIcon(instance);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// Shared, so loading it at every minimise creates no new icon.
HICON LoadSmallProgramIcon(HINSTANCE instance) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAPPER), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

MapperApp* AppOf(HWND window) {
    return reinterpret_cast<MapperApp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

MapperApp* AppOfMessage(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return AppOf(window);
}
