#pragma once
// Shift-JIS (code page 932) text as bytes, the form both programs keep their
// texts, set names and paths in: where a character starts and where a text
// may be cut. Portable and header-only; the Win32 conversions and message
// boxes are in common/win32/sjis_text.h.
#include <cstddef>
#include <cstdint>
#include <cstring>

// The Windows code page of Shift-JIS.
constexpr unsigned kShiftJisCodePage = 932;

// The first byte of a two-byte Shift-JIS character. Its second byte can be
// 0x40..0xFC, which takes in ']', '\\', '|' and the ASCII letters, so those
// must not be seen on their own. CR, LF, blanks, the dot, '=', ';' and the
// quotes lie below 0x40 and so are never a second byte.
inline bool IsShiftJisLeadByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The longest prefix of text[0..length-1] within `limit` bytes that ends on a
// character boundary, so a cut text never ends in half a character. A lead
// byte that ends the text counts as a character of its own.
inline size_t ShiftJisCutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) {
        return length;
    }
    size_t cut = 0;
    while (cut < limit) {
        const size_t step = IsShiftJisLeadByte(text[cut]) && cut + 1 < length ? 2 : 1;
        if (cut + step > limit) {
            break;
        }
        cut += step;
    }
    return cut;
}

// Copies the zero-terminated `text` into `out` (`size` bytes), cut at a
// character boundary so that it fits with its terminator. Nothing is written
// when `size` is below 1.
inline void CopyShiftJisCut(char* out, int32_t size, const char* text) {
    if (size < 1) {
        return;
    }
    const size_t length = ShiftJisCutLength(text, std::strlen(text), static_cast<size_t>(size) - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}
