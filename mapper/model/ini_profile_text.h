#pragma once
// The INI text as kernel32 reads it, shared by the profile's index
// (ini_profile.cpp) and its writer (ini_profile_writer.cpp): blanks, lines
// and their kinds, section and key names, how names compare and hash. Inline,
// since the index build calls these for every line of the file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/shift_jis.h"

namespace ini_text {

// Windows ignores these around section names, key names and values.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

inline bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

inline unsigned char FoldCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// A stretch of bytes, in the text or in a caller's argument.
struct Span {
    const char* bytes;
    size_t length;
};

// One line: its bytes are [begin, end); the next line starts at `next`, past
// the CRLF, LF or CR that ends this one (next == end for a final line
// without a line end).
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};

enum class LineKind { Blank, Comment, Section, Key };

// Walks a text line by line. The next CR and LF are found with memchr and
// remembered, so a whole pass costs one scan of the text for each of them.
class LineScanner {
  public:
    LineScanner(const char* text, size_t length, size_t from)
        : text_(text), length_(length), nextCr_(Find('\r', from)), nextLf_(Find('\n', from)) {}

    Line At(size_t pos) {
        if (nextCr_ < pos) {
            nextCr_ = Find('\r', pos);
        }
        if (nextLf_ < pos) {
            nextLf_ = Find('\n', pos);
        }
        Line line{pos, nextCr_ < nextLf_ ? nextCr_ : nextLf_, 0};
        line.next = line.end;
        if (line.end < length_) {
            // CRLF is one line end; CR and LF alone are one each.
            const bool crlf =
                text_[line.end] == '\r' && line.end + 1 < length_ && text_[line.end + 1] == '\n';
            line.next += crlf ? 2 : 1;
        }
        return line;
    }

  private:
    size_t Find(char byte, size_t from) const {
        const void* found = std::memchr(text_ + from, byte, length_ - from);
        return found ? static_cast<size_t>(static_cast<const char*>(found) - text_) : length_;
    }

    const char* text_;
    size_t length_;
    size_t nextCr_;
    size_t nextLf_;
};

inline size_t SkipBlanks(const char* text, size_t pos, size_t end) {
    while (pos < end && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

inline Span TrimmedSpan(const char* text, size_t begin, size_t end) {
    begin = SkipBlanks(text, begin, end);
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return Span{text + begin, end - begin};
}

// The caller's section and key names lose only their spaces, not tabs.
inline Span TrimmedArgument(const char* name) {
    size_t length = std::strlen(name);
    while (length > 0 && name[length - 1] == ' ') {
        --length;
    }
    size_t begin = 0;
    while (begin < length && name[begin] == ' ') {
        ++begin;
    }
    return Span{name + begin, length - begin};
}

inline LineKind KindOf(const char* text, const Line& line, size_t* first) {
    *first = SkipBlanks(text, line.begin, line.end);
    if (*first == line.end) {
        return LineKind::Blank;
    }
    if (text[*first] == ';') {
        return LineKind::Comment;
    }
    return text[*first] == '[' ? LineKind::Section : LineKind::Key;
}

// "[ name ] anything": the name ends at the first ']' that is not the second
// byte of a Shift-JIS character, or at the line end when there is none.
inline Span SectionName(const char* text, const Line& line, size_t bracket) {
    size_t i = bracket + 1;
    while (i < line.end && text[i] != ']') {
        i += IsShiftJisLeadByte(text[i]) && i + 1 < line.end ? 2 : 1;
    }
    return TrimmedSpan(text, bracket + 1, i);
}

// "key = value": the key is everything before the first '='. A line without
// one is a key without a value, which reads as missing (Windows gives the
// default for it) and which a write gives a value in its place: false then.
inline bool KeyAndValue(const char* text, const Line& line, size_t first, Span* key, Span* value) {
    const void* equals = std::memchr(text + first, '=', line.end - first);
    const size_t keyEnd =
        equals ? static_cast<size_t>(static_cast<const char*>(equals) - text) : line.end;
    *key = TrimmedSpan(text, first, keyEnd);
    *value = equals ? TrimmedSpan(text, keyEnd + 1, line.end) : Span{text + line.end, 0};
    return equals != nullptr;
}

// Names match without regard to ASCII case; both bytes of a Shift-JIS
// character must match exactly.
inline bool SameName(Span a, Span b) {
    if (a.length != b.length) {
        return false;
    }
    for (size_t i = 0; i < a.length; ++i) {
        if (IsShiftJisLeadByte(a.bytes[i])) {
            if (a.bytes[i] != b.bytes[i] ||
                (i + 1 < a.length && a.bytes[i + 1] != b.bytes[i + 1])) {
                return false;
            }
            ++i;
        } else if (FoldCase(a.bytes[i]) != FoldCase(b.bytes[i])) {
            return false;
        }
    }
    return true;
}

// A value in one matching pair of double or single quotes loses the pair.
inline Span Unquoted(Span value) {
    if (value.length >= 2 && (value.bytes[0] == '"' || value.bytes[0] == '\'') &&
        value.bytes[value.length - 1] == value.bytes[0]) {
        return Span{value.bytes + 1, value.length - 2};
    }
    return value;
}

// The line that holds `pos`, from `pos` on: its end is the first CR or LF
// (or the end of the text), `next` lies past that line end.
inline Line LineFrom(const char* text, size_t length, size_t pos) {
    size_t end = pos;
    while (end < length && !IsLineEnd(text[end])) {
        ++end;
    }
    Line line{pos, end, end};
    if (end < length) {
        line.next += text[end] == '\r' && end + 1 < length && text[end + 1] == '\n' ? 2 : 1;
    }
    return line;
}

// Where the line starts whose first non-blank byte is at `first`.
inline size_t LineBeginBefore(const char* text, size_t first) {
    while (first > 0 && IsBlank(text[first - 1])) {
        --first;
    }
    return first;
}

// The key the caller names, as it is matched: without the spaces around it,
// and, like a key in the file, without blanks at its end.
inline Span KeyArgument(const char* key) {
    Span name = TrimmedArgument(key);
    while (name.length > 0 && IsBlank(name.bytes[name.length - 1])) {
        --name.length;
    }
    return name;
}

inline uint32_t Mix(uint32_t hash) {
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    return hash ^ (hash >> 16);
}

// A hash that agrees with SameName: ASCII letters count without their case,
// both bytes of a Shift-JIS character as they are.
inline uint32_t HashName(uint32_t seed, Span name) {
    uint32_t hash = seed;
    for (size_t i = 0; i < name.length; ++i) {
        if (IsShiftJisLeadByte(name.bytes[i]) && i + 1 < name.length) {
            hash = (hash ^ static_cast<unsigned char>(name.bytes[i])) * 16777619u;
            ++i;
            hash = (hash ^ static_cast<unsigned char>(name.bytes[i])) * 16777619u;
        } else {
            hash = (hash ^ FoldCase(name.bytes[i])) * 16777619u;
        }
    }
    return Mix(hash);
}

inline constexpr uint32_t kSectionSeed = 2166136261u;
inline constexpr uint32_t kEmpty = 0xFFFFFFFFu;
inline constexpr uint32_t kSectionBit = 0x80000000u;

// Where `name` starts in `text`.
inline uint32_t Offset(const char* text, Span name) {
    return static_cast<uint32_t>(name.bytes - text);
}

inline uint32_t KeySeed(uint32_t owner) {
    return Mix(owner ^ 0x9E3779B9u);
}

}  // namespace ini_text
