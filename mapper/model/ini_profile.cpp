// The reader: loading, the index of sections and keys built in one pass
// over the text, the lookups, and the encoding back to bytes. The writer is
// ini_profile_writer.cpp.
#include "mapper/model/ini_profile.h"

#include <cstring>

#include "common/shift_jis.h"
#include "mapper/model/ini_profile_text.h"

using namespace ini_text;

namespace {

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
                index_[slot] = {hash, Offset(text, name) | kSectionBit,
                                static_cast<uint32_t>(line.next),
                                static_cast<uint32_t>(name.length)};
                section = slot;
            }
        } else if (kind == LineKind::Key && section != kEmpty) {
            index_[section].link = static_cast<uint32_t>(line.next);
            const uint32_t owner = index_[section].at & ~kSectionBit;
            Span key{}, value{};
            KeyAndValue(text, line, first, &key, &value);
            const uint32_t hash = HashName(KeySeed(owner), key);
            const uint32_t slot = FindKey(owner, key.bytes, key.length, hash);
            if (index_[slot].at == kEmpty) {
                index_[slot] = {hash, static_cast<uint32_t>(first), owner,
                                static_cast<uint32_t>(key.length)};
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
        if (entry.hash == hash && (entry.at & kSectionBit) != 0 && entry.length == length &&
            SameName(Span{Text() + (entry.at & ~kSectionBit), entry.length}, wanted)) {
            return static_cast<uint32_t>(slot);
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
            entry.length == length && SameName(Span{Text() + entry.at, entry.length}, wanted)) {
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
    if (!KeyAndValue(Text(), line, entry.at, &name, &found)) {
        return false;
    }
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
