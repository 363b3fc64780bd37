// The buffered name scan of disabler against a plain byte-by-byte scan of
// the same bytes: the first input byte picks the chunk size, the rest is the
// file. Any difference in the result, the writes or the final bytes aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disabler/core/patch.h"
#include "tests/support/plain_name_scan.h"

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

    bool QuerySize(uint64_t& size) override {
        size = bytes_.size();
        return true;
    }
    uint32_t Flush() override { return 0; }
    void Close() override {}

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<std::string> writes;

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // Chunk sizes 1 to 64, and the full 64 KiB for 0.
    size_t chunk = data[0] % 65 == 0 ? kScanChunkBytes : data[0] % 65;
    MemoryFile model(data + 1, size - 1);
    MemoryFile real(data + 1, size - 1);
    ScanResult expected = PlainNameScan(model);
    ScanResult actual = RewriteJoystickNames(real, chunk);
    if (actual != expected || real.writes != model.writes || real.bytes() != model.bytes()) {
        std::abort();
    }
    return 0;
}
