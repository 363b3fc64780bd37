// Stand-alone backend of the patch platform: plain POSIX files, so the patch
// operation runs and is tested on real files without Windows. Messages go to
// standard error as bytes ("caption: text").
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "disabler/core/patch_platform.h"

namespace {

class PosixPatchFile : public PatchFile {
  public:
    void Attach(int descriptor) { descriptor_ = descriptor; }

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        ssize_t got;
        do {
            got = pread(descriptor_, buffer, count, static_cast<off_t>(offset));
        } while (got < 0 && errno == EINTR);
        return got > 0 ? static_cast<size_t>(got) : 0;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        size_t written = 0;
        while (written < count) {
            ssize_t put = pwrite(descriptor_, static_cast<const char*>(data) + written,
                                 count - written, static_cast<off_t>(offset + written));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                break;
            }
            written += static_cast<size_t>(put);
        }
        return written;
    }

    uint64_t Size() override {
        struct stat status;
        return fstat(descriptor_, &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
    }

    void Close() override {
        close(descriptor_);  // also releases the exclusive lock
        descriptor_ = -1;
    }

  private:
    int descriptor_ = -1;
};

bool CopyContents(int from, int to) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return false;
            }
            done += put;
        }
    }
}

class PosixPatchPlatform : public PatchPlatform {
  public:
    bool CopyNoOverwrite(const char* source, const char* destination) override {
        int from = open(source, O_RDONLY);
        if (from < 0) {
            return false;
        }
        // O_EXCL: an existing backup is never overwritten.
        int to = open(destination, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (to < 0) {
            close(from);
            return false;
        }
        bool copied = CopyContents(from, to);
        copied = close(to) == 0 && copied;
        close(from);
        if (!copied) {
            unlink(destination);  // ours, just created: no half backup stays behind
        }
        return copied;
    }

    PatchFile* OpenReadWrite(const char* path) override {
        int descriptor = open(path, O_RDWR);
        if (descriptor < 0) {
            return nullptr;
        }
        // The nearest thing to Windows' share mode 0: an exclusive lock that
        // fails at once when another process holds one.
        if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            close(descriptor);
            return nullptr;
        }
        file_.Attach(descriptor);
        return &file_;
    }

    void ShowMessage(OwnerWindow, const char* text, const char* caption) override {
        std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "disabler", text);
    }

  private:
    PosixPatchFile file_;
};

}  // namespace

PatchPlatform& SystemPatchPlatform() {
    static PosixPatchPlatform platform;
    return platform;
}
