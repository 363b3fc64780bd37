// The writer: plans a batch of writes against the index and copies the text
// once into the other buffer with every edit in place.
#include <algorithm>
#include <cstring>

#include "mapper/model/ini_profile.h"
#include "mapper/model/ini_profile_text.h"

using namespace ini_text;

namespace {

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
                offset = header.link;
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
