#include "tests/wine/mapper/window_probe.h"

#include <winternl.h>

#include <cstdint>

#include "tests/wine/mapper/mapper_driver.h"

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

RECT ClientRectOf(HWND window, HWND parent) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The GDI handle table that the process environment block points to: one
// 24-byte entry per handle, in use when its type byte is not zero.
constexpr SIZE_T kGdiTableEntries = 0x10000;
constexpr SIZE_T kGdiEntrySize = 24;
constexpr SIZE_T kGdiEntryTypeOffset = 14;
constexpr SIZE_T kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
// Wine keeps a 64-bit process environment block one page below a 32-bit
// process's own, and only that one holds the table's address.
constexpr SIZE_T kPeb64GdiTableOffset = 0xF8;
constexpr SIZE_T kPeb64Below32 = 0x1000;

// The table's address as `process` has it, or nullptr.
const void* GdiHandleTableOf(HANDLE process, const char* peb) {
    void* table = nullptr;
    if (ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, nullptr) &&
        table != nullptr) {
        return table;
    }
    if (sizeof(void*) == 4) {
        uint64_t wide = 0;
        if (ReadProcessMemory(process, peb - kPeb64Below32 + kPeb64GdiTableOffset, &wide,
                              sizeof wide, nullptr) &&
            wide != 0 && static_cast<uintptr_t>(wide) == wide) {
            return reinterpret_cast<const void*>(static_cast<uintptr_t>(wide));
        }
    }
    return nullptr;
}

LONG CountGdiHandleTable(HANDLE process) {
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return -1;
    }
    const void* table =
        GdiHandleTableOf(process, reinterpret_cast<const char*>(basic.PebBaseAddress));
    if (table == nullptr) {
        return -1;
    }
    std::vector<unsigned char> entries(kGdiTableEntries * kGdiEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), nullptr)) {
        return -1;
    }
    LONG used = 0;
    for (SIZE_T i = 0; i < kGdiTableEntries; ++i) {
        used += entries[i * kGdiEntrySize + kGdiEntryTypeOffset] != 0 ? 1 : 0;
    }
    return used;
}

}  // namespace

std::vector<ChildControl> ChildControls(HWND parent) {
    std::vector<ChildControl> controls;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back({GetDlgCtrlID(child), ClassOf(child), WindowText(child),
                            ClientRectOf(child, parent),
                            static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))});
    }
    return controls;
}

RECT DialogUnitsToPixels(const RECT& units, const wchar_t* face, int points) {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                             FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ previous = SelectObject(screen, font);
    // The base units as the dialog manager takes them: the average width of
    // the 52 letters, rounded, and the font's height.
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SIZE letters = {};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &letters);
    const int baseX = (letters.cx / 26 + 1) / 2;
    const int baseY = metrics.tmHeight;
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    // Place and size are laid out each on its own, as the dialog manager does.
    const int left = MulDiv(units.left, baseX, 4);
    const int top = MulDiv(units.top, baseY, 8);
    return RECT{left, top, left + MulDiv(units.right - units.left, baseX, 4),
                top + MulDiv(units.bottom - units.top, baseY, 8)};
}

ClientShot::ClientShot(HWND window) {
    RECT client;
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) {
        return;
    }
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y,
                   SRCCOPY)) {
            GdiFlush();
            width_ = client.right;
            height_ = client.bottom;
            const auto* rows = static_cast<const DWORD*>(bits);
            for (int i = 0; i < width_ * height_; ++i) {
                // A DIB pixel is 0x00RRGGBB; COLORREF is 0x00BBGGRR.
                pixels_.push_back(RGB(GetBValue(rows[i]), GetGValue(rows[i]), GetRValue(rows[i])));
            }
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF ClientShot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return CLR_INVALID;
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

int ClientShot::CountOtherThan(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += At(x, y) != colour ? 1 : 0;
        }
    }
    return count;
}

// Wine only stubs GetGuiResources; there the count comes from the process's
// GDI handle table.
LONG GdiObjectCount(HANDLE process) {
    SetLastError(0);
    const DWORD count = GetGuiResources(process, GR_GDIOBJECTS);
    if (count != 0 || GetLastError() == 0) {
        return static_cast<LONG>(count);
    }
    return CountGdiHandleTable(process);
}

bool RepaintAndWait(HWND window, DWORD timeoutMs) {
    if (!InvalidateRect(window, nullptr, FALSE)) {
        return false;
    }
    // The update region empties when painting begins; a message sent after
    // that is taken only once the paint handler has returned.
    DWORD_PTR ignored = 0;
    return WaitUntil([window] { return !GetUpdateRect(window, nullptr, FALSE); }, timeoutMs, 2) &&
           SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &ignored) != 0;
}
