// Arbitrary bytes as Tolvin.dat: the conversion must neither crash nor read
// outside its buffer, and must leave a table that the rest of the program can
// trust.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mapper/model/legacy.h"

namespace {

// The file lives in memory; reads come in pieces whose size depends on the
// input, and odd-sized files cannot be deleted, so both paths get exercised.
class InMemoryLegacyPlatform : public LegacyPlatform {
  public:
    InMemoryLegacyPlatform(const uint8_t* data, size_t size)
        : data_(data), size_(size), chunk_(static_cast<uint32_t>(size % 997 + 1)) {}

    uint32_t WindowsDirectory(char* buffer, uint32_t size) override {
        std::strncpy(buffer, "C:\\WINDOWS", size);
        return 10;
    }
    LegacyFile OpenForReading(const char*) override { return this; }
    bool Read(LegacyFile, void* buffer, uint32_t size, uint32_t& got) override {
        const size_t left = size_ - position_;
        got = static_cast<uint32_t>(left < size ? left : size);
        got = got < chunk_ ? got : chunk_;
        std::memcpy(buffer, data_ + position_, got);
        position_ += got;
        return true;
    }
    void Close(LegacyFile) override {}
    bool Delete(const char*, uint32_t& error) override {
        error = 5;
        return size_ % 2 == 0;
    }
    bool ErrorText(uint32_t, char* buffer, uint32_t size) override {
        std::strncpy(buffer, "denied", size);
        return true;
    }
    void ShowMessage(const char* text, const char*, bool) override {
        if (std::strlen(text) == 0) {
            std::abort();
        }
    }

  private:
    const uint8_t* data_;
    size_t size_;
    uint32_t chunk_;
    size_t position_ = 0;
};

KeySetTable g_table;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClearKeySetTable(g_table);
    g_table.SetKeyCount.store(-1);
    InMemoryLegacyPlatform platform(data, size);
    const bool converted = ConvertLegacyData(g_table, platform);
    if (converted) {
        DeleteLegacyData(platform);
    }

    const int32_t highest = g_table.SetKeyCount.load();
    Check(converted == (size > 0));
    // A stored index below 1 becomes 2 and 1 stays 1: every conversion yields 2 to 80 sets.
    Check(converted ? highest >= 1 && highest <= kMaxSets - 1 : highest == -1);
    for (int set = 0; set <= highest; ++set) {
        Check(std::memchr(g_table.Names[set], 0, kNameSize) != nullptr);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            Check(g_table.Keys[set][slot][1].load() == 0);
        }
    }
    return 0;
}
