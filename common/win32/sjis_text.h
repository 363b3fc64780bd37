#pragma once
// Texts are kept as Shift-JIS bytes (the programs' own texts and the names in
// Top.ini alike) and shown through the wide Windows functions after an
// explicit conversion from code page 932, so they read correctly whatever the
// system's ANSI code page is. Header-only: both programs use it.
#include <windows.h>

#include "common/shift_jis.h"

// Converts a zero-terminated Shift-JIS text into `out` (`outCount` wide
// characters, terminator included). An over-long text is cut; the result is
// always terminated. Returns the number of characters written, terminator
// excluded.
inline int SjisToWide(const char* sjis, wchar_t* out, int outCount) {
    if (outCount <= 0) {
        return 0;
    }
    int written = MultiByteToWideChar(kShiftJisCodePage, 0, sjis, -1, out, outCount);
    if (written == 0) {
        // Too long for the buffer: convert what fits.
        written = MultiByteToWideChar(kShiftJisCodePage, 0, sjis, static_cast<int>(lstrlenA(sjis)),
                                      out, outCount - 1);
        out[written] = L'\0';
        return written;
    }
    return written - 1;
}

// Converts a zero-terminated wide text into Shift-JIS in `out` (`outSize`
// bytes). Returns false, leaving `out` empty, when a character has no
// Shift-JIS form or the text does not fit.
inline bool WideToSjis(const wchar_t* text, char* out, int outSize) {
    BOOL lossy = FALSE;
    int written = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, text, -1, out,
                                      outSize, nullptr, &lossy);
    if (written == 0 || lossy) {
        if (outSize > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return true;
}

// A wide copy of a Shift-JIS text in a fixed buffer, for passing straight to
// a wide function: SetWindowTextW(window, WideText(name).c_str()).
template <int Size = 1024>
class WideTextOf {
  public:
    explicit WideTextOf(const char* sjis) { SjisToWide(sjis, text_, Size); }
    const wchar_t* c_str() const { return text_; }

  private:
    wchar_t text_[Size];
};
using WideText = WideTextOf<1024>;

// Shows the Shift-JIS `text` in a message box owned by `owner` (may be null)
// with the buttons and icon of `type`, under the Shift-JIS `caption`, or the
// system's default caption when it is null. Returns MessageBoxW's answer.
inline int ShowSjisMessage(HWND owner, const char* text, const char* caption, UINT type) {
    const WideTextOf<2048> wideText(text);
    if (caption == nullptr) {
        return MessageBoxW(owner, wideText.c_str(), nullptr, type);
    }
    return MessageBoxW(owner, wideText.c_str(), WideTextOf<1024>(caption).c_str(), type);
}
