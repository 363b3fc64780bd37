// The scan that rewrites joyGetPosEx and joyGetPos in place. It reads the
// file through a buffer and finds each j with memchr, yet tests, writes and
// resumes exactly where a scan that reads one byte at a time would: every j
// is compared with the ten bytes after it (fewer at the end of the file), and
// the scan goes on two bytes after the j, matched or not.
#include <algorithm>
#include <cstring>
#include <vector>

#include "disabler/core/patch.h"

namespace {

constexpr unsigned char kTrigger = 0x6A;  // the lower-case j; upper case never triggers
// A j and the ten bytes after it: everything one comparison looks at.
constexpr size_t kNameWindow = 11;

struct NameRewrite {
    const char* tail;  // the bytes that must follow the j
    size_t tailLength;
    const char* replacement;  // written over the j and the tail, same length
};

// The longer name first, so that joyGetPosEx becomes midiInGetID whole and
// never mmioClose followed by "Ex".
constexpr NameRewrite kRewrites[] = {
    {"oyGetPosEx", 10, "midiInGetID"},
    {"oyGetPos", 8, "mmioClose"},
};

// A window onto the file: the bytes from `base_` on, refilled by reads of at
// most `chunk_` bytes. It always holds at least the j under test and the ten
// bytes after it, unless the file ends sooner.
class ScanWindow {
  public:
    ScanWindow(PatchFile& file, size_t chunk, uint64_t fileSize)
        : file_(file), chunk_(chunk), fileSize_(fileSize) {}

    // Makes at least `want` bytes from `offset` on available (fewer only at
    // the end of the file) and returns how many are available from there.
    size_t Fill(uint64_t offset, size_t want) {
        if (offset < base_ || offset > base_ + length_) {
            base_ = offset;
            length_ = 0;
        }
        size_t skip = static_cast<size_t>(offset - base_);
        if (length_ - skip < want && !atEnd_) {
            // Keep the few bytes still ahead and read on after them.
            std::memmove(storage_.data(), storage_.data() + skip, length_ - skip);
            length_ -= skip;
            base_ = offset;
            ReadUntil(want);
        }
        return Available(offset);
    }

    // True once a read brought nothing before the file's size was reached:
    // the bytes after it are unknown, so the scan must not go on as if the
    // file ended there.
    bool ReadFailed() const { return readFailed_; }

    const unsigned char* At(uint64_t offset) const { return storage_.data() + (offset - base_); }

    // Keeps the window equal to the file after `data` was written at `offset`.
    void Mirror(uint64_t offset, const char* data, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (offset + i >= base_ && offset + i < base_ + length_) {
                storage_[offset + i - base_] = static_cast<unsigned char>(data[i]);
            }
        }
    }

  private:
    void ReadUntil(size_t want) {
        while (length_ < want && !atEnd_) {
            size_t request = std::min(chunk_, storage_.size() - length_);
            size_t got = file_.ReadAt(base_ + length_, storage_.data() + length_, request);
            if (got == 0) {
                atEnd_ = true;
                readFailed_ = base_ + length_ < fileSize_;
            }
            length_ += std::min(got, request);
        }
    }

    // Bytes from `offset` on in the window, never counting any beyond the
    // file's size, so nothing past the end of the file is compared or written.
    size_t Available(uint64_t offset) const {
        uint64_t end = std::min<uint64_t>(base_ + length_, fileSize_);
        return offset < end ? static_cast<size_t>(end - offset) : 0;
    }

    PatchFile& file_;
    size_t chunk_;
    uint64_t fileSize_;
    // The bytes from base_ on: a chunk and the name window that may straddle it.
    std::vector<unsigned char> storage_ = std::vector<unsigned char>(kScanChunkBytes + kNameWindow);
    uint64_t base_ = 0;
    size_t length_ = 0;
    bool atEnd_ = false;
    bool readFailed_ = false;
};

// The name whose tail `following` (the `count` bytes after a j) starts with.
const NameRewrite* MatchName(const unsigned char* following, size_t count) {
    for (const NameRewrite& rewrite : kRewrites) {
        if (count >= rewrite.tailLength &&
            std::memcmp(following, rewrite.tail, rewrite.tailLength) == 0) {
            return &rewrite;
        }
    }
    return nullptr;
}

}  // namespace

ScanResult RewriteJoystickNames(PatchFile& file, size_t chunkBytes) {
    uint64_t size = 0;
    if (!file.QuerySize(size)) {
        return ScanResult::ReadFailed;
    }
    size_t chunk = std::clamp<size_t>(chunkBytes, 1, kScanChunkBytes);
    ScanWindow window(file, chunk, size);
    bool rewritten = false;
    uint64_t offset = 0;
    for (;;) {
        size_t available = window.Fill(offset, kNameWindow);
        if (window.ReadFailed()) {
            return ScanResult::ReadFailed;
        }
        if (available == 0) {
            break;
        }
        const unsigned char* bytes = window.At(offset);
        const void* trigger = std::memchr(bytes, kTrigger, available);
        if (trigger == nullptr) {
            offset += available;
            continue;
        }
        offset += static_cast<const unsigned char*>(trigger) - bytes;
        size_t following = std::min(window.Fill(offset, kNameWindow), kNameWindow) - 1;
        if (window.ReadFailed()) {
            return ScanResult::ReadFailed;  // the name might go on in the bytes not read
        }
        if (following == 0) {
            break;  // the j is the last byte of the file
        }
        if (const NameRewrite* name = MatchName(window.At(offset) + 1, following)) {
            size_t length = name->tailLength + 1;
            if (file.WriteAt(offset, name->replacement, length) != length) {
                return ScanResult::WriteFailed;
            }
            window.Mirror(offset, name->replacement, length);
            rewritten = true;
        }
        // The byte right after a j is never the start of a name, matched or not.
        offset += 2;
    }
    return rewritten ? ScanResult::Rewritten : ScanResult::NoNameFound;
}
