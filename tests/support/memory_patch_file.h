#pragma once
// A file of disabler in memory, for the tests and the fuzz target: records
// every write, and can be told to fail one write, its size query, or every
// read from an offset on. A write beyond the end is refused and noted: the
// patcher must never make a file longer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "disabler/core/patch.h"

class MemoryPatchFile : public PatchFile {
  public:
    explicit MemoryPatchFile(std::string bytes) : bytes_(std::move(bytes)) {}

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        ++reads;
        const uint64_t end = std::min<uint64_t>(bytes_.size(), readsFailFrom);
        if (offset >= end) {
            return 0;
        }
        const size_t got = std::min(count, static_cast<size_t>(end - offset));
        std::memcpy(buffer, bytes_.data() + offset, got);
        return got;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        writes.push_back(std::to_string(offset) + ":" +
                         std::string(static_cast<const char*>(data), count));
        const size_t allowed =
            std::min(writes.size() == failingWrite ? failingWriteKeeps : count, count);
        if (offset + allowed > bytes_.size()) {
            wroteBeyondEnd = true;
            return 0;
        }
        std::memcpy(&bytes_[offset], data, allowed);
        return allowed;
    }

    bool QuerySize(uint64_t& size) override {
        size = bytes_.size();
        return !sizeFails;
    }
    uint32_t Flush() override { return 0; }
    void Close() override { closed = true; }

    const std::string& bytes() const { return bytes_; }

    std::vector<std::string> writes;  // "offset:bytes", in order
    size_t reads = 0;
    size_t failingWrite = 0;              // 1-based number of the write that fails; 0 for none
    size_t failingWriteKeeps = 0;         // bytes that the failing write still transfers
    uint64_t readsFailFrom = UINT64_MAX;  // reads bring nothing from this offset on
    bool sizeFails = false;
    bool closed = false;
    bool wroteBeyondEnd = false;

  private:
    std::string bytes_;
};
