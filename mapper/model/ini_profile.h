#pragma once
// The project's own private-profile (INI) reader and writer. One IniProfile
// holds a whole Top.ini in memory; its lookups give what
// GetPrivateProfileStringA / GetPrivateProfileIntA give on Windows, and its
// writes change the text exactly as a WritePrivateProfileStringA call per
// entry would, so a whole save needs one read and one write of the file.
//
// Loading indexes every section and key in one pass (the first copy of a
// section or of a key in it is the one Windows reads and writes), so a lookup
// costs the same whatever the size of the file. A batch of writes is applied
// in one pass that copies the text into a second buffer with every change in
// place.
//
// Text is handled as Shift-JIS bytes (code page 932). A file that starts with
// a UTF-16LE byte-order mark is converted to Shift-JIS when loaded and back to
// UTF-16LE when encoded, as Windows does for such files.
//
// Fixed storage, no allocation: an IniProfile is large, keep it static.
#include <cstddef>
#include <cstdint>

// A Top.ini longer than this is refused: neither read nor written.
constexpr size_t kMaxProfileFileBytes = size_t{1} << 20;
// The text is never longer than the file it comes from or goes to.
constexpr size_t kProfileTextCapacity = kMaxProfileFileBytes;
// Room for the bytes of any file that may be read or written.
constexpr size_t kProfileFileCapacity = kMaxProfileFileBytes;
// The most writes one WriteEntries call takes: a full save is at most 7,764
// (every input of every set with a rapid-fire rate and an action).
constexpr size_t kMaxProfileWrites = 8192;

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

enum class EncodeResult {
    Encoded,
    Unconvertible,  // a character of the text has no UTF-16 form
    TooLarge,       // the file would be longer than the room given
};

// One WritePrivateProfileStringA(section, key, value).
struct ProfileWrite {
    const char* section;
    const char* key;
    const char* value;
};

class IniProfile {
  public:
    IniProfile() = default;
    IniProfile(const IniProfile&) = delete;
    IniProfile& operator=(const IniProfile&) = delete;

    // An empty profile: what a missing file reads as.
    void Clear();
    // Takes the bytes of a file. A UTF-16LE file is converted to Shift-JIS;
    // characters without a Shift-JIS form read as '?' and make the profile
    // not Lossless(). Bytes past kMaxProfileFileBytes are dropped, which
    // also makes it not Lossless().
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
    // True when `section` holds `key`, with any value, the empty one included.
    bool HasKey(const char* section, const char* key) const;

    // The writes one after the other, as separate WritePrivateProfileStringA
    // calls would leave the text, done in one pass. False, with the profile
    // unchanged, when the text would outgrow kProfileTextCapacity or there are
    // more than kMaxProfileWrites writes. No argument may point into Text().
    bool WriteEntries(const ProfileWrite* writes, size_t count);

    // Writes the file bytes for the current text to out (capacity bytes): the
    // text itself for an ANSI file, otherwise its UTF-16LE encoding with the
    // mark, and sets *size.
    EncodeResult Encode(char* out, size_t capacity, AnsiCodePage& codePage, size_t* size) const;

    // False when loading had to replace characters (or an odd final byte) of
    // a UTF-16LE file, so saving it back would lose them.
    bool Lossless() const { return lossless_; }
    const char* Text() const { return buffers_[current_]; }
    size_t Length() const { return length_; }

  private:
    // A section header or the first copy of a key in the first copy of its
    // section. `at` is where the name starts, with kSectionBit for sections,
    // and `length` how long it is, so a lookup never scans a line again (a
    // line may be 1 MB long). `link` is, for a key, the `at` of its section
    // and, for a section, where a new key goes: after its last key line.
    struct NameEntry {
        uint32_t hash;
        uint32_t at;
        uint32_t link;
        uint32_t length;
    };
    // The first write of a section or of a section and key within a batch.
    struct BatchEntry {
        uint32_t hash;
        uint32_t write;
    };
    static constexpr size_t kIndexSlots = size_t{1} << 20;
    // Each write adds at most a key and a section: the table stays half empty.
    static constexpr size_t kBatchSlots = 4 * kMaxProfileWrites;

    void BuildIndex() const;
    uint32_t FindSection(const char* name, size_t length, uint32_t hash) const;
    uint32_t FindKey(uint32_t sectionAt, const char* name, size_t length, uint32_t hash) const;
    bool FindValue(const char* section, const char* key, const char** value,
                   size_t* valueLength) const;
    void PlanWrites(const ProfileWrite* writes, size_t count);
    bool EmitWrites(const ProfileWrite* writes);

    char buffers_[2][kProfileTextCapacity];
    int current_ = 0;
    size_t length_ = 0;
    ProfileEncoding encoding_ = ProfileEncoding::Ansi;
    bool lossless_ = true;

    // The index is built on first use after a change of the text.
    mutable NameEntry index_[kIndexSlots];
    mutable size_t indexMask_ = 0;
    mutable bool indexed_ = false;

    // Scratch of one WriteEntries call.
    BatchEntry batch_[kBatchSlots];
    const char* finalValue_[kMaxProfileWrites];  // by first write: the last value given
    uint32_t nextInSection_[kMaxProfileWrites];  // keys of a new section, in order
    uint32_t lastInSection_[kMaxProfileWrites];  // by the write that opened a new section
    uint32_t newSections_[kMaxProfileWrites];    // writes that open a new section, in order
    size_t newSectionCount_ = 0;
    uint64_t edits_[kMaxProfileWrites];  // (text offset << 32) | write, in text order
    size_t editCount_ = 0;
    uint32_t editLine_[kMaxProfileWrites];  // by write: name start of the line it rewrites
};
