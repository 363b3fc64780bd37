#pragma once
// The project's own private-profile (INI) reader and writer. One IniProfile
// holds a whole Top.ini in memory; its lookups give what
// GetPrivateProfileStringA / GetPrivateProfileIntA give on Windows, and its
// writes change the text exactly as a WritePrivateProfileStringA call per
// entry would, so a whole save needs one read and one write of the file.
//
// Text is handled as Shift-JIS bytes (code page 932). A file that starts with
// a UTF-16LE byte-order mark is converted to Shift-JIS when loaded and back to
// UTF-16LE when encoded, as Windows does for such files.
//
// Fixed storage, no allocation: an IniProfile is large, keep it static.
#include <cstddef>
#include <cstdint>

// A Top.ini longer than this is refused rather than read in part.
constexpr size_t kMaxProfileFileBytes = size_t{1} << 20;
// Room for the text plus everything a save of the full table can add.
constexpr size_t kProfileTextCapacity = kMaxProfileFileBytes + (size_t{256} << 10);
// Enough for the encoded text in the larger encoding (UTF-16LE and its mark).
constexpr size_t kProfileFileCapacity = 2 * kProfileTextCapacity + 2;

// Single-character conversion between UTF-16 and the ANSI code page 932,
// supplied by the platform; only used for UTF-16LE files, and never asked
// about ASCII, which converts as it is.
class AnsiCodePage {
  public:
    virtual ~AnsiCodePage() = default;
    // Writes the Shift-JIS form of `unit` (0x80 or above) to out[0..1];
    // returns its length (1 or 2), or 0 when it has no exact Shift-JIS form.
    virtual int ToAnsi(char16_t unit, char out[2]) = 0;
    // The UTF-16 unit of the Shift-JIS character in bytes[0..count-1] (count 1
    // or 2, bytes[0] 0x80 or above), or 0 when it has none.
    virtual char16_t ToWide(const char* bytes, int count) = 0;
};

enum class ProfileEncoding { Ansi, Utf16Le };

class IniProfile {
  public:
    // An empty profile: what a missing file reads as.
    void Clear();
    // Takes the bytes of a file. A UTF-16LE file is converted to Shift-JIS;
    // characters without a Shift-JIS form read as '?' and make the profile
    // not Lossless(). `size` must not exceed kMaxProfileFileBytes.
    void Load(const char* bytes, size_t size, AnsiCodePage& codePage);

    // GetPrivateProfileStringA: copies the value of `key` in `section` (or
    // `fallback`, minus trailing spaces, when missing; nullptr reads as "")
    // into out[0..size-1], cut to size-1 bytes without splitting a Shift-JIS
    // character, zero-terminated. Returns the number of bytes copied.
    uint32_t GetString(const char* section, const char* key, const char* fallback, char* out,
                       uint32_t size) const;
    // GetPrivateProfileIntA: the value as a decimal integer (sign, digits up
    // to the first non-digit, modulo 2^32); a value that is not a number,
    // the empty value included, is 0; `fallback` when the key is missing.
    int32_t GetInt(const char* section, const char* key, int32_t fallback) const;

    // WritePrivateProfileStringA(section, key, value). False when the text
    // would outgrow kProfileTextCapacity; the profile is then unchanged.
    // The arguments must not point into Text().
    bool WriteString(const char* section, const char* key, const char* value);

    // Writes the file bytes for the current text to out (capacity bytes): the
    // text itself for an ANSI file, otherwise its UTF-16LE encoding with the
    // mark, and sets *size. False when a character of the text has no UTF-16
    // form or the result does not fit.
    bool Encode(char* out, size_t capacity, AnsiCodePage& codePage, size_t* size) const;

    ProfileEncoding Encoding() const { return encoding_; }
    // False when loading had to replace characters (or an odd final byte) of
    // a UTF-16LE file, so saving it back would lose them.
    bool Lossless() const { return lossless_; }
    const char* Text() const { return text_; }
    size_t Length() const { return length_; }

  private:
    struct Piece {
        const char* bytes;
        size_t count;
    };
    bool Splice(size_t at, size_t removed, const Piece* pieces, int pieceCount);
    bool RewriteKeyLine(size_t lineBegin, size_t nameAt, size_t nameLength, size_t lineNext,
                        Piece value);
    bool FindValue(const char* section, const char* key, const char** value,
                   size_t* valueLength) const;

    char text_[kProfileTextCapacity];
    size_t length_ = 0;
    ProfileEncoding encoding_ = ProfileEncoding::Ansi;
    bool lossless_ = true;
};
