// The buffered name scan of disabler against a plain byte-by-byte scan of
// the same bytes: the first input byte picks the chunk size, the rest is the
// file. Any difference in the result, the writes or the final bytes aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disabler/core/patch.h"

namespace {

class MemoryFile : public PatchFile {
  public:
    MemoryFile(const uint8_t* data, size_t size) : bytes_(data, data + size) {}

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        if (offset >= bytes_.size()) {
            return 0;
        }
        size_t got = std::min(count, bytes_.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes_.data() + offset, got);
        return got;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        if (offset + count > bytes_.size()) {
            std::abort();  // nothing may be written beyond the end of the file
        }
        std::memcpy(bytes_.data() + offset, data, count);
        writes.push_back(std::to_string(offset) +
                         std::string(static_cast<const char*>(data), count));
        return count;
    }

    uint64_t Size() override { return bytes_.size(); }
    void Close() override {}

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<std::string> writes;

  private:
    std::vector<uint8_t> bytes_;
};

// The plain byte-by-byte scan: test the byte at p; at a j read the ten bytes after
// it, compare the longer name first, write at the j, resume at p + 2.
ScanResult ModelScan(PatchFile& file) {
    bool rewritten = false;
    for (uint64_t p = 0;; p += 2) {
        unsigned char byte;
        while (file.ReadAt(p, &byte, 1) == 1 && byte != 'j') {
            ++p;
        }
        char following[10];
        size_t got = file.ReadAt(p + 1, following, 10);
        if (got == 0) {
            break;  // no j left, or the j is the last byte
        }
        const char* replacement = nullptr;
        if (got == 10 && std::memcmp(following, "oyGetPosEx", 10) == 0) {
            replacement = "midiInGetID";
        } else if (got >= 8 && std::memcmp(following, "oyGetPos", 8) == 0) {
            replacement = "mmioClose";
        }
        if (replacement != nullptr) {
            file.WriteAt(p, replacement, std::strlen(replacement));
            rewritten = true;
        }
    }
    return rewritten ? ScanResult::Rewritten : ScanResult::NoNameFound;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // Chunk sizes 1 to 64, and the full 64 KiB for 0.
    size_t chunk = data[0] % 65 == 0 ? kScanChunkBytes : data[0] % 65;
    MemoryFile model(data + 1, size - 1);
    MemoryFile real(data + 1, size - 1);
    ScanResult expected = ModelScan(model);
    ScanResult actual = RewriteJoystickNames(real, chunk);
    if (actual != expected || real.writes != model.writes || real.bytes() != model.bytes()) {
        std::abort();
    }
    return 0;
}
