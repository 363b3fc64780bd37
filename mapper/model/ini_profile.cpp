#include "mapper/model/ini_profile.h"

#include <cstring>

namespace {

// Windows ignores these around section names, key names and values.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The first byte of a two-byte Shift-JIS character. Its second byte can be
// 0x40..0xFC, which takes in ']', '\\', '|' and the ASCII letters, so those
// must not be seen on their own. CR, LF, blanks, '=', ';' and the quotes lie
// below 0x40 and so are never a second byte.
bool IsLeadByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

unsigned char FoldCase(char c) {
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

size_t SkipBlanks(const char* text, size_t pos, size_t end) {
    while (pos < end && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

Span TrimmedSpan(const char* text, size_t begin, size_t end) {
    begin = SkipBlanks(text, begin, end);
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return Span{text + begin, end - begin};
}

// The caller's section and key names lose only their spaces, not tabs.
Span TrimmedArgument(const char* name) {
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

LineKind KindOf(const char* text, const Line& line, size_t* first) {
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
Span SectionName(const char* text, const Line& line, size_t bracket) {
    size_t i = bracket + 1;
    while (i < line.end && text[i] != ']') {
        i += IsLeadByte(text[i]) && i + 1 < line.end ? 2 : 1;
    }
    return TrimmedSpan(text, bracket + 1, i);
}

// "key = value": the key is everything before the first '='; a line without
// one is a key with an empty value.
void KeyAndValue(const char* text, const Line& line, size_t first, Span* key, Span* value) {
    const void* equals = std::memchr(text + first, '=', line.end - first);
    const size_t keyEnd =
        equals ? static_cast<size_t>(static_cast<const char*>(equals) - text) : line.end;
    *key = TrimmedSpan(text, first, keyEnd);
    *value = equals ? TrimmedSpan(text, keyEnd + 1, line.end) : Span{text + line.end, 0};
}

// Names match without regard to ASCII case; both bytes of a Shift-JIS
// character must match exactly.
bool SameName(Span a, Span b) {
    if (a.length != b.length) {
        return false;
    }
    for (size_t i = 0; i < a.length; ++i) {
        if (IsLeadByte(a.bytes[i])) {
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

// Whether the key line whose key starts at `first` has the key `wanted`:
// the same name, then only blanks up to the '=' or the line end. Gives up at
// the first differing byte, which is what makes long sections quick.
bool KeyIs(const char* text, const Line& line, size_t first, Span wanted) {
    if (line.end - first < wanted.length) {
        return false;
    }
    for (size_t i = 0; i < wanted.length; ++i) {
        const char have = text[first + i];
        if (IsLeadByte(wanted.bytes[i])) {
            if (have != wanted.bytes[i] ||
                (i + 1 < wanted.length && text[first + i + 1] != wanted.bytes[i + 1])) {
                return false;
            }
            ++i;
        } else if (FoldCase(have) != FoldCase(wanted.bytes[i]) || have == '=') {
            return false;
        }
    }
    const size_t rest = SkipBlanks(text, first + wanted.length, line.end);
    return rest == line.end || text[rest] == '=';
}

// Only the first section of a name counts; later copies are never searched.
bool FindSection(const char* text, size_t length, Span name, Line* header) {
    LineScanner lines(text, length, 0);
    for (size_t pos = 0; pos < length;) {
        const Line line = lines.At(pos);
        size_t first = 0;
        if (KindOf(text, line, &first) == LineKind::Section &&
            SameName(SectionName(text, line, first), name)) {
            *header = line;
            return true;
        }
        pos = line.next;
    }
    return false;
}

// A value in one matching pair of double or single quotes loses the pair.
Span Unquoted(Span value) {
    if (value.length >= 2 && (value.bytes[0] == '"' || value.bytes[0] == '\'') &&
        value.bytes[value.length - 1] == value.bytes[0]) {
        return Span{value.bytes + 1, value.length - 2};
    }
    return value;
}

// The longest prefix of `text` within `limit` bytes that ends on a
// character boundary, so a cut name never ends in half a character.
size_t CutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) {
        return length;
    }
    size_t cut = 0;
    while (cut < limit) {
        const size_t step = IsLeadByte(text[cut]) && cut + 1 < length ? 2 : 1;
        if (cut + step > limit) {
            break;
        }
        cut += step;
    }
    return cut;
}

int32_t FromTwosComplement(uint32_t bits) {
    return bits <= 0x7FFFFFFFu ? static_cast<int32_t>(bits) : -static_cast<int32_t>(~bits) - 1;
}

// Sign, then digits up to the first non-digit, wrapping modulo 2^32 as
// Windows does; no digits at all gives 0.
int32_t ParseProfileInt(Span value) {
    size_t i = 0;
    while (i < value.length && IsBlank(value.bytes[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value.length && (value.bytes[i] == '+' || value.bytes[i] == '-')) {
        negative = value.bytes[i] == '-';
        ++i;
    }
    uint32_t magnitude = 0;
    for (; i < value.length && value.bytes[i] >= '0' && value.bytes[i] <= '9'; ++i) {
        magnitude = magnitude * 10u + static_cast<uint32_t>(value.bytes[i] - '0');
    }
    return FromTwosComplement(negative ? 0u - magnitude : magnitude);
}

}  // namespace

void IniProfile::Clear() {
    length_ = 0;
    encoding_ = ProfileEncoding::Ansi;
    lossless_ = true;
}

void IniProfile::Load(const char* bytes, size_t size, AnsiCodePage& codePage) {
    Clear();
    if (size > kMaxProfileFileBytes) {
        size = kMaxProfileFileBytes;
        lossless_ = false;
    }
    const bool utf16 = size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (!utf16) {
        std::memcpy(text_, bytes, size);
        length_ = size;
        return;
    }
    encoding_ = ProfileEncoding::Utf16Le;
    if (size % 2 != 0) {
        lossless_ = false;
    }
    // Every unit becomes at most two bytes, so the text never outgrows the file.
    for (size_t i = 2; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit < 0x80) {
            text_[length_++] = static_cast<char>(unit);
            continue;
        }
        char ansi[2];
        const int count = codePage.ToAnsi(unit, ansi);
        if (count == 0 || codePage.ToWide(ansi, count) != unit) {
            lossless_ = false;
        }
        if (count == 0) {
            text_[length_++] = '?';
            continue;
        }
        for (int b = 0; b < count; ++b) {
            text_[length_++] = ansi[b];
        }
    }
}

bool IniProfile::FindValue(const char* section, const char* key, const char** value,
                           size_t* valueLength) const {
    Line header{};
    if (!FindSection(text_, length_, TrimmedArgument(section), &header)) {
        return false;
    }
    const Span wanted = TrimmedArgument(key);
    LineScanner lines(text_, length_, header.next);
    for (size_t pos = header.next; pos < length_;) {
        const Line line = lines.At(pos);
        size_t first = 0;
        const LineKind kind = KindOf(text_, line, &first);
        if (kind == LineKind::Section) {
            return false;
        }
        if (kind == LineKind::Key && KeyIs(text_, line, first, wanted)) {
            Span name{}, found{};
            KeyAndValue(text_, line, first, &name, &found);
            const Span unquoted = Unquoted(found);
            *value = unquoted.bytes;
            *valueLength = unquoted.length;
            return true;
        }
        pos = line.next;
    }
    return false;
}

uint32_t IniProfile::GetString(const char* section, const char* key, const char* fallback,
                               char* out, uint32_t size) const {
    if (size == 0) {
        return 0;
    }
    const char* source = nullptr;
    size_t length = 0;
    if (!FindValue(section, key, &source, &length)) {
        source = fallback ? fallback : "";
        length = std::strlen(source);
        while (length > 0 && source[length - 1] == ' ') {
            --length;
        }
    }
    const size_t copied = CutLength(source, length, size - 1);
    std::memcpy(out, source, copied);
    out[copied] = '\0';
    return static_cast<uint32_t>(copied);
}

int32_t IniProfile::GetInt(const char* section, const char* key, int32_t fallback) const {
    const char* value = nullptr;
    size_t length = 0;
    if (!FindValue(section, key, &value, &length)) {
        return fallback;
    }
    return ParseProfileInt(Span{value, length});
}

bool IniProfile::Splice(size_t at, size_t removed, const Piece* pieces, int pieceCount) {
    size_t added = 0;
    for (int i = 0; i < pieceCount; ++i) {
        added += pieces[i].count;
    }
    if (length_ - removed + added > kProfileTextCapacity) {
        return false;
    }
    std::memmove(text_ + at + added, text_ + at + removed, length_ - at - removed);
    size_t pos = at;
    for (int i = 0; i < pieceCount; ++i) {
        std::memcpy(text_ + pos, pieces[i].bytes, pieces[i].count);
        pos += pieces[i].count;
    }
    length_ = length_ - removed + added;
    return true;
}

// The line [lineBegin, lineNext) keeps the key's own spelling, which starts
// at nameAt, and becomes "Key=value\r\n". The key's bytes stay where they are
// while the blanks before them go, so nothing is copied from moved text.
bool IniProfile::RewriteKeyLine(size_t lineBegin, size_t nameAt, size_t nameLength, size_t lineNext,
                                Piece value) {
    const size_t newLength = length_ - (lineNext - lineBegin) + nameLength + 1 + value.count + 2;
    if (newLength > kProfileTextCapacity) {
        return false;
    }
    Splice(lineBegin, nameAt - lineBegin, nullptr, 0);
    const Piece rest[] = {{"=", 1}, value, {"\r\n", 2}};
    return Splice(lineBegin + nameLength, lineNext - nameAt - nameLength, rest, 3);
}

bool IniProfile::WriteString(const char* section, const char* key, const char* value) {
    const Span sectionName = TrimmedArgument(section);
    const Span keyName = TrimmedArgument(key);
    const size_t valueLength = std::strlen(value);
    Line header{};
    if (!FindSection(text_, length_, sectionName, &header)) {
        // A new section goes at the very end, on a line of its own.
        const bool needsBreak = length_ > 0 && !IsLineEnd(text_[length_ - 1]);
        const Piece pieces[] = {{"\r\n", needsBreak ? size_t{2} : 0},
                                {"[", 1},
                                {sectionName.bytes, sectionName.length},
                                {"]\r\n", 3},
                                {keyName.bytes, keyName.length},
                                {"=", 1},
                                {value, valueLength},
                                {"\r\n", 2}};
        return Splice(length_, 0, pieces, 8);
    }
    // A new key goes right after the last key line of the section (after the
    // header when there is none), above any comments and blank lines there.
    Line insertAfter = header;
    LineScanner lines(text_, length_, header.next);
    for (size_t pos = header.next; pos < length_;) {
        const Line line = lines.At(pos);
        size_t first = 0;
        const LineKind kind = KindOf(text_, line, &first);
        if (kind == LineKind::Section) {
            break;
        }
        if (kind == LineKind::Key) {
            if (KeyIs(text_, line, first, keyName)) {
                return RewriteKeyLine(line.begin, first, keyName.length, line.next,
                                      Piece{value, valueLength});
            }
            insertAfter = line;
        }
        pos = line.next;
    }
    const bool needsBreak = insertAfter.next == insertAfter.end;
    const Piece pieces[] = {{"\r\n", needsBreak ? size_t{2} : 0},
                            {keyName.bytes, keyName.length},
                            {"=", 1},
                            {value, valueLength},
                            {"\r\n", 2}};
    return Splice(insertAfter.next, 0, pieces, 5);
}

bool IniProfile::Encode(char* out, size_t capacity, AnsiCodePage& codePage, size_t* size) const {
    if (encoding_ == ProfileEncoding::Ansi) {
        if (length_ > capacity) {
            return false;
        }
        std::memcpy(out, text_, length_);
        *size = length_;
        return true;
    }
    if (capacity < 2) {
        return false;
    }
    out[0] = static_cast<char>(0xFF);
    out[1] = static_cast<char>(0xFE);
    size_t written = 2;
    for (size_t i = 0; i < length_;) {
        char16_t unit = static_cast<unsigned char>(text_[i]);
        size_t count = 1;
        if (unit >= 0x80) {
            count = IsLeadByte(text_[i]) && i + 1 < length_ ? 2 : 1;
            unit = codePage.ToWide(text_ + i, static_cast<int>(count));
            if (unit == 0) {
                return false;
            }
        }
        if (written + 2 > capacity) {
            return false;
        }
        out[written++] = static_cast<char>(unit & 0xFF);
        out[written++] = static_cast<char>(unit >> 8);
        i += count;
    }
    *size = written;
    return true;
}
