#pragma once
// What a player sees of mapper's windows, read from the driver's process:
// the child controls with their class, text, place and style; the client
// area as the screen shows it; and the GDI objects the program holds.
#include <windows.h>

#include <string>
#include <vector>

struct ChildControl {
    int id;
    std::wstring className;
    std::wstring text;
    RECT rect;  // in the parent's client coordinates
    DWORD style;
};

// The child windows of `parent` in their order (creation order), each read
// with WM_GETTEXT and the window's own long values.
std::vector<ChildControl> ChildControls(HWND parent);

// A control's rectangle in dialog units as a dialog with the font `face` at
// `points` lays it out in pixels (the dialog base units of that font).
RECT DialogUnitsToPixels(const RECT& units, const wchar_t* face, int points);

// The client area of a window as the screen shows it, copied from the
// screen. Empty when it could not be read.
class ClientShot {
  public:
    explicit ClientShot(HWND window);
    bool Empty() const { return pixels_.empty(); }
    // The colour at client point (x, y), as RGB().
    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle differ from `colour`.
    int CountOtherThan(const RECT& area, COLORREF colour) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// The number of GDI objects that `process` holds; -1 when it cannot be read.
LONG GdiObjectCount(HANDLE process);

// Marks the whole client area of `window` for painting and waits until the
// program has painted it (its update region is empty again) and its paint
// handler has returned.
bool RepaintAndWait(HWND window, DWORD timeoutMs);
