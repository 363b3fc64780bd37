// Stand-alone backend of the patch platform, for the native tests. Messages
// go to standard error as bytes ("caption: text").
#include "disabler/platform/standalone/standalone_patch_platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "common/standalone/posix_calls.h"

namespace {

class StandalonePatchFile : public PatchFile {
  public:
    bool IsOpen() const { return descriptor_ >= 0; }
    void Attach(int descriptor) { descriptor_ = descriptor; }

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        const ssize_t got = RetryOnSignal(
            [&] { return pread(descriptor_, buffer, count, static_cast<off_t>(offset)); });
        return got > 0 ? static_cast<size_t>(got) : 0;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        size_t written = 0;
        while (written < count) {
            const ssize_t put = RetryOnSignal([&] {
                return pwrite(descriptor_, static_cast<const char*>(data) + written,
                              count - written, static_cast<off_t>(offset + written));
            });
            if (put <= 0) {
                break;
            }
            written += static_cast<size_t>(put);
        }
        return written;
    }

    bool QuerySize(uint64_t& size) override {
        struct stat status;
        if (fstat(descriptor_, &status) != 0) {
            return false;
        }
        size = static_cast<uint64_t>(status.st_size);
        return true;
    }

    // Any failure as ERROR_WRITE_FAULT: this backend knows no volume that
    // cannot flush.
    uint32_t Flush() override { return fsync(descriptor_) == 0 ? 0 : 29; }

    void Close() override {
        close(descriptor_);  // also releases the exclusive lock
        descriptor_ = -1;
    }

  private:
    int descriptor_ = -1;
};

class StandalonePatchPlatformBackend : public PatchPlatform {
  public:
    PatchFile* OpenRead(const char* path) override {
        int descriptor = open(path, O_RDONLY);
        struct stat status;
        if (descriptor >= 0 && (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
            close(descriptor);  // a folder reads as an error, not as a file
            return nullptr;
        }
        return Adopt(descriptor);
    }

    PatchFile* CreateNew(const char* path) override {
        // O_EXCL: an existing file is never overwritten.
        return Adopt(open(path, O_WRONLY | O_CREAT | O_EXCL, 0644));
    }

    bool Remove(const char* path) override { return unlink(path) == 0; }

    PatchFile* OpenReadWrite(const char* path) override {
        int descriptor = open(path, O_RDWR);
        // The nearest thing to Windows' share mode 0: an exclusive lock that
        // fails at once when another process holds one.
        if (descriptor >= 0 && flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            close(descriptor);
            return nullptr;
        }
        return Adopt(descriptor);
    }

    bool MoveOver(const char* from, const char* to) override { return rename(from, to) == 0; }

    // The native build carries no Windows DLLs; the tests hand their own.
    bool CarriedFilter(const char*, bool, const void*&, size_t&) override { return false; }

    void ShowMessage(OwnerWindow, const char* text, const char* caption) override {
        std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "disabler", text);
    }

  private:
    // Hands out an open descriptor (-1 gives nullptr) as a free file object.
    PatchFile* Adopt(int descriptor) {
        if (descriptor < 0) {
            return nullptr;
        }
        for (StandalonePatchFile& file : files_) {
            if (!file.IsOpen()) {
                file.Attach(descriptor);
                return &file;
            }
        }
        close(descriptor);
        return nullptr;
    }

    StandalonePatchFile files_[2];
};

}  // namespace

PatchPlatform& StandalonePatchPlatform() {
    static StandalonePatchPlatformBackend platform;
    return platform;
}
