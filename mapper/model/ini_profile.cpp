#include "mapper/model/ini_profile.h"

#include <algorithm>
#include <cstring>

#include "common/shift_jis.h"

namespace {

// Windows ignores these around section names, key names and values.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
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
        i += IsShiftJisLeadByte(text[i]) && i + 1 < line.end ? 2 : 1;
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

// Whether the key line whose key starts at `first` has the key `wanted`:
// the same name, then only blanks up to the '=' or the line end.
bool KeyIsAt(const char* text, size_t length, size_t first, Span wanted) {
    if (length - first < wanted.length) {
        return false;
    }
    const char* have = text + first;
    for (size_t i = 0; i < wanted.length; ++i) {
        if (IsLineEnd(have[i]) || have[i] == '=') {
            return false;
        }
        if (IsShiftJisLeadByte(wanted.bytes[i])) {
            if (have[i] != wanted.bytes[i] ||
                (i + 1 < wanted.length &&
                 (have[i + 1] != wanted.bytes[i + 1] || IsLineEnd(have[i + 1])))) {
                return false;
            }
            ++i;
        } else if (FoldCase(have[i]) != FoldCase(wanted.bytes[i])) {
            return false;
        }
    }
    size_t rest = first + wanted.length;
    while (rest < length && IsBlank(text[rest])) {
        ++rest;
    }
    return rest == length || text[rest] == '=' || IsLineEnd(text[rest]);
}

// A value in one matching pair of double or single quotes loses the pair.
Span Unquoted(Span value) {
    if (value.length >= 2 && (value.bytes[0] == '"' || value.bytes[0] == '\'') &&
        value.bytes[value.length - 1] == value.bytes[0]) {
        return Span{value.bytes + 1, value.length - 2};
    }
    return value;
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

// The line that holds `pos`, from `pos` on: its end is the first CR or LF
// (or the end of the text), `next` lies past that line end.
Line LineFrom(const char* text, size_t length, size_t pos) {
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
size_t LineBeginBefore(const char* text, size_t first) {
    while (first > 0 && IsBlank(text[first - 1])) {
        --first;
    }
    return first;
}

// How many line ends the text has: CR, LF and CRLF count one each.
size_t CountLineEnds(const char* text, size_t length) {
    size_t count = 0;
    for (size_t at = 0; at < length; ++at) {
        const void* found = std::memchr(text + at, '\n', length - at);
        if (found == nullptr) {
            break;
        }
        at = static_cast<size_t>(static_cast<const char*>(found) - text);
        ++count;
    }
    for (size_t at = 0; at < length; ++at) {
        const void* found = std::memchr(text + at, '\r', length - at);
        if (found == nullptr) {
            break;
        }
        at = static_cast<size_t>(static_cast<const char*>(found) - text);
        count += at + 1 < length && text[at + 1] == '\n' ? 0 : 1;
    }
    return count;
}

// The key the caller names, as it is matched: without the spaces around it,
// and, like a key in the file, without blanks at its end.
Span KeyArgument(const char* key) {
    Span name = TrimmedArgument(key);
    while (name.length > 0 && IsBlank(name.bytes[name.length - 1])) {
        --name.length;
    }
    return name;
}

// The key of a key line whose first non-blank byte is at `first`.
Span KeyOfLine(const char* text, const Line& line, size_t first) {
    const void* equals = std::memchr(text + first, '=', line.end - first);
    const size_t keyEnd =
        equals ? static_cast<size_t>(static_cast<const char*>(equals) - text) : line.end;
    return TrimmedSpan(text, first, keyEnd);
}

uint32_t Mix(uint32_t hash) {
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    return hash ^ (hash >> 16);
}

// A hash that agrees with SameName: ASCII letters count without their case,
// both bytes of a Shift-JIS character as they are.
uint32_t HashName(uint32_t seed, Span name) {
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

constexpr uint32_t kSectionSeed = 2166136261u;
constexpr uint32_t kEmpty = 0xFFFFFFFFu;
constexpr uint32_t kSectionBit = 0x80000000u;

uint32_t KeySeed(uint32_t owner) {
    return Mix(owner ^ 0x9E3779B9u);
}

// Collects output bytes while they fit; once one does not, it stays failed.
class TextWriter {
  public:
    TextWriter(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
    void Put(const char* bytes, size_t count) {
        if (!fits_ || count > capacity_ - used_) {
            fits_ = false;
            return;
        }
        std::memcpy(out_ + used_, bytes, count);
        used_ += count;
    }
    void Put(Span span) { Put(span.bytes, span.length); }
    void Put(const char* text) { Put(text, std::strlen(text)); }
    // Ends the line so far, unless it has ended already (or nothing is there).
    void EndOpenLine() {
        if (used_ > 0 && !IsLineEnd(out_[used_ - 1])) {
            Put("\r\n", 2);
        }
    }
    void PutEntry(Span key, const char* value) {
        Put(key);
        Put("=", 1);
        Put(value);
        Put("\r\n", 2);
    }
    bool Fits() const { return fits_; }
    size_t Used() const { return used_; }

  private:
    char* out_;
    size_t capacity_;
    size_t used_ = 0;
    bool fits_ = true;
};

}  // namespace

void IniProfile::Clear() {
    length_ = 0;
    encoding_ = ProfileEncoding::Ansi;
    lossless_ = true;
    indexed_ = false;
}

void IniProfile::Load(const char* bytes, size_t size, AnsiCodePage& codePage) {
    Clear();
    if (size > kMaxProfileFileBytes) {
        size = kMaxProfileFileBytes;
        lossless_ = false;
    }
    char* text = buffers_[current_];
    const bool utf16 = size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (!utf16) {
        std::memcpy(text, bytes, size);
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
            text[length_++] = static_cast<char>(unit);
            continue;
        }
        char ansi[2];
        const int count = codePage.ToAnsi(unit, ansi);
        if (count == 0 || codePage.ToWide(ansi, count) != unit) {
            lossless_ = false;
        }
        if (count == 0) {
            text[length_++] = '?';
            continue;
        }
        for (int b = 0; b < count; ++b) {
            text[length_++] = ansi[b];
        }
    }
}

// One pass over the text. A section that appeared before is a later copy:
// its keys are neither read nor written, so they are not indexed; a key that
// appeared before in its section is not indexed either. Every key line, the
// copies included, moves the place where a new key of the section goes.
void IniProfile::BuildIndex() const {
    const char* text = Text();
    // A section or key line takes at least two bytes, its line end included,
    // so the table stays at most half full.
    size_t names = CountLineEnds(text, length_) + 1;
    if (names > length_ / 2 + 1) {
        names = length_ / 2 + 1;
    }
    size_t slots = 16;
    while (slots < 2 * names && slots < kIndexSlots) {
        slots *= 2;
    }
    std::memset(index_, 0xFF, slots * sizeof index_[0]);
    indexMask_ = slots - 1;

    uint32_t section = kEmpty;  // the slot of the section whose keys are indexed
    LineScanner lines(text, length_, 0);
    for (size_t pos = 0; pos < length_;) {
        const Line line = lines.At(pos);
        size_t first = 0;
        const LineKind kind = KindOf(text, line, &first);
        if (kind == LineKind::Section) {
            const Span name = SectionName(text, line, first);
            const uint32_t hash = HashName(kSectionSeed, name);
            const uint32_t slot = FindSection(name.bytes, name.length, hash);
            section = kEmpty;
            if (index_[slot].at == kEmpty) {
                index_[slot] = {hash, static_cast<uint32_t>(first) | kSectionBit,
                                static_cast<uint32_t>(line.begin)};
                section = slot;
            }
        } else if (kind == LineKind::Key && section != kEmpty) {
            index_[section].link = static_cast<uint32_t>(line.begin);
            const uint32_t owner = index_[section].at & ~kSectionBit;
            const Span key = KeyOfLine(text, line, first);
            const uint32_t hash = HashName(KeySeed(owner), key);
            const uint32_t slot = FindKey(owner, key.bytes, key.length, hash);
            if (index_[slot].at == kEmpty) {
                index_[slot] = {hash, static_cast<uint32_t>(first), owner};
            }
        }
        pos = line.next;
    }
    indexed_ = true;
}

// The slot of the section `name` (whose hash is `hash`), or the empty slot
// where it would go.
uint32_t IniProfile::FindSection(const char* name, size_t length, uint32_t hash) const {
    const Span wanted{name, length};
    for (size_t slot = hash & indexMask_;; slot = (slot + 1) & indexMask_) {
        const NameEntry& entry = index_[slot];
        if (entry.at == kEmpty) {
            return static_cast<uint32_t>(slot);
        }
        if (entry.hash == hash && (entry.at & kSectionBit) != 0) {
            const size_t bracket = entry.at & ~kSectionBit;
            const Line line = LineFrom(Text(), length_, bracket);
            if (SameName(SectionName(Text(), line, bracket), wanted)) {
                return static_cast<uint32_t>(slot);
            }
        }
    }
}

// The slot of `name` (whose hash is `hash`) among the keys of the section
// whose '[' is at `sectionAt`, or the empty slot where it would go.
uint32_t IniProfile::FindKey(uint32_t sectionAt, const char* name, size_t length,
                             uint32_t hash) const {
    const Span wanted{name, length};
    for (size_t slot = hash & indexMask_;; slot = (slot + 1) & indexMask_) {
        const NameEntry& entry = index_[slot];
        if (entry.at == kEmpty) {
            return static_cast<uint32_t>(slot);
        }
        if (entry.hash == hash && entry.link == sectionAt && (entry.at & kSectionBit) == 0 &&
            KeyIsAt(Text(), length_, entry.at, wanted)) {
            return static_cast<uint32_t>(slot);
        }
    }
}

bool IniProfile::FindValue(const char* section, const char* key, const char** value,
                           size_t* valueLength) const {
    if (!indexed_) {
        BuildIndex();
    }
    const Span sectionName = TrimmedArgument(section);
    const NameEntry& header = index_[FindSection(sectionName.bytes, sectionName.length,
                                                 HashName(kSectionSeed, sectionName))];
    if (header.at == kEmpty) {
        return false;
    }
    const uint32_t owner = header.at & ~kSectionBit;
    const Span keyName = KeyArgument(key);
    const NameEntry& entry =
        index_[FindKey(owner, keyName.bytes, keyName.length, HashName(KeySeed(owner), keyName))];
    if (entry.at == kEmpty) {
        return false;
    }
    const Line line = LineFrom(Text(), length_, entry.at);
    Span name{}, found{};
    KeyAndValue(Text(), line, entry.at, &name, &found);
    const Span unquoted = Unquoted(found);
    *value = unquoted.bytes;
    *valueLength = unquoted.length;
    return true;
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
    const size_t copied = ShiftJisCutLength(source, length, size - 1);
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

bool IniProfile::HasKey(const char* section, const char* key) const {
    const char* value = nullptr;
    size_t length = 0;
    return FindValue(section, key, &value, &length);
}

bool IniProfile::WriteString(const char* section, const char* key, const char* value) {
    const ProfileWrite write{section, key, value};
    return WriteEntries(&write, 1);
}

bool IniProfile::WriteEntries(const ProfileWrite* writes, size_t count) {
    if (count > kMaxProfileWrites) {
        return false;
    }
    if (!indexed_) {
        BuildIndex();
    }
    PlanWrites(writes, count);
    return EmitWrites(writes);
}

// Decides where each write goes. A later write of the same section and key
// only changes the value of the first one. A key of the file is rewritten in
// its line; a new key of a section of the file goes after the section's last
// key line; the keys of new sections go, by section, at the end.
void IniProfile::PlanWrites(const ProfileWrite* writes, size_t count) {
    std::memset(batch_, 0xFF, sizeof batch_);
    newSectionCount_ = 0;
    editCount_ = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto write = static_cast<uint32_t>(i);
        const Span section = TrimmedArgument(writes[i].section);
        const Span key = KeyArgument(writes[i].key);
        const uint32_t sectionHash = HashName(kSectionSeed, section);
        const uint32_t keyHash = HashName(KeySeed(sectionHash), key);

        size_t slot = keyHash & (kBatchSlots - 1);
        while (batch_[slot].write != kEmpty &&
               !(batch_[slot].hash == keyHash && (batch_[slot].write & kSectionBit) == 0 &&
                 SameName(TrimmedArgument(writes[batch_[slot].write].section), section) &&
                 SameName(KeyArgument(writes[batch_[slot].write].key), key))) {
            slot = (slot + 1) & (kBatchSlots - 1);
        }
        if (batch_[slot].write != kEmpty) {
            finalValue_[batch_[slot].write] = writes[i].value;
            continue;
        }
        batch_[slot] = {keyHash, write};
        finalValue_[i] = writes[i].value;

        const NameEntry& header = index_[FindSection(section.bytes, section.length, sectionHash)];
        if (header.at != kEmpty) {
            const uint32_t owner = header.at & ~kSectionBit;
            const NameEntry& entry =
                index_[FindKey(owner, key.bytes, key.length, HashName(KeySeed(owner), key))];
            size_t offset = 0;
            if (entry.at != kEmpty) {
                editLine_[i] = entry.at;
                offset = LineBeginBefore(Text(), entry.at);
            } else {
                editLine_[i] = kEmpty;
                offset = LineFrom(Text(), length_, header.link).next;
            }
            edits_[editCount_++] = (static_cast<uint64_t>(offset) << 32) | write;
            continue;
        }

        slot = sectionHash & (kBatchSlots - 1);
        while (batch_[slot].write != kEmpty &&
               !(batch_[slot].hash == sectionHash && (batch_[slot].write & kSectionBit) != 0 &&
                 SameName(TrimmedArgument(writes[batch_[slot].write & ~kSectionBit].section),
                          section))) {
            slot = (slot + 1) & (kBatchSlots - 1);
        }
        nextInSection_[i] = kEmpty;
        if (batch_[slot].write == kEmpty) {
            batch_[slot] = {sectionHash, write | kSectionBit};
            newSections_[newSectionCount_++] = write;
            lastInSection_[i] = write;
        } else {
            const uint32_t opener = batch_[slot].write & ~kSectionBit;
            nextInSection_[lastInSection_[opener]] = write;
            lastInSection_[opener] = write;
        }
    }
    // A save over the file that the last save wrote finds its edits in order.
    if (!std::is_sorted(edits_, edits_ + editCount_)) {
        std::sort(edits_, edits_ + editCount_);
    }
}

// Copies the text into the other buffer with the planned edits in place.
bool IniProfile::EmitWrites(const ProfileWrite* writes) {
    const char* text = Text();
    TextWriter out(buffers_[1 - current_], kProfileTextCapacity);
    size_t copied = 0;
    for (size_t e = 0; e < editCount_; ++e) {
        const auto offset = static_cast<size_t>(edits_[e] >> 32);
        const auto write = static_cast<uint32_t>(edits_[e] & 0xFFFFFFFFu);
        out.Put(text + copied, offset - copied);
        copied = offset;
        if (editLine_[write] != kEmpty) {
            // The key keeps its own spelling; the line becomes "Key=value\r\n".
            const size_t nameAt = editLine_[write];
            out.PutEntry(Span{text + nameAt, KeyArgument(writes[write].key).length},
                         finalValue_[write]);
            copied = LineFrom(text, length_, nameAt).next;
        } else {
            out.EndOpenLine();
            out.PutEntry(TrimmedArgument(writes[write].key), finalValue_[write]);
        }
    }
    out.Put(text + copied, length_ - copied);
    for (size_t s = 0; s < newSectionCount_; ++s) {
        const uint32_t opener = newSections_[s];
        out.EndOpenLine();
        out.Put("[", 1);
        out.Put(TrimmedArgument(writes[opener].section));
        out.Put("]\r\n", 3);
        for (uint32_t write = opener; write != kEmpty; write = nextInSection_[write]) {
            out.PutEntry(TrimmedArgument(writes[write].key), finalValue_[write]);
        }
    }
    if (!out.Fits()) {
        return false;
    }
    current_ = 1 - current_;
    length_ = out.Used();
    indexed_ = false;
    return true;
}

EncodeResult IniProfile::Encode(char* out, size_t capacity, AnsiCodePage& codePage,
                                size_t* size) const {
    const char* text = Text();
    if (encoding_ == ProfileEncoding::Ansi) {
        if (length_ > capacity) {
            return EncodeResult::TooLarge;
        }
        std::memcpy(out, text, length_);
        *size = length_;
        return EncodeResult::Encoded;
    }
    if (capacity < 2) {
        return EncodeResult::TooLarge;
    }
    out[0] = static_cast<char>(0xFF);
    out[1] = static_cast<char>(0xFE);
    size_t written = 2;
    for (size_t i = 0; i < length_;) {
        char16_t unit = static_cast<unsigned char>(text[i]);
        size_t count = 1;
        if (unit >= 0x80) {
            count = IsShiftJisLeadByte(text[i]) && i + 1 < length_ ? 2 : 1;
            unit = codePage.ToWide(text + i, static_cast<int>(count));
            if (unit == 0) {
                return EncodeResult::Unconvertible;
            }
        }
        if (written + 2 > capacity) {
            return EncodeResult::TooLarge;
        }
        out[written++] = static_cast<char>(unit & 0xFF);
        out[written++] = static_cast<char>(unit >> 8);
        i += count;
    }
    *size = written;
    return EncodeResult::Encoded;
}
