#include "mapper/platform/posix/posix_legacy_platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kDefaultWindowsDirectory[] = "/var/lib/pamuro";
constexpr size_t kPathSize = 1024;

// The converter builds Windows paths; here a backslash is a folder separator.
bool ToPosixPath(const char* path, char (&out)[kPathSize]) {
    const size_t length = std::strlen(path);
    if (length >= kPathSize) {
        return false;
    }
    for (size_t i = 0; i <= length; ++i) {
        out[i] = path[i] == '\\' ? '/' : path[i];
    }
    return true;
}

// File descriptors travel as descriptor + 1, so that descriptor 0 is not null.
LegacyFile ToHandle(int fd) {
    return reinterpret_cast<LegacyFile>(static_cast<intptr_t>(fd) + 1);
}
int ToDescriptor(LegacyFile file) {
    return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1);
}

// Prints a Shift-JIS text in UTF-8, or as it is when it does not convert.
void PrintSjis(const char* text) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter != reinterpret_cast<iconv_t>(-1)) {
        char utf8[4096];
        char* in = const_cast<char*>(text);
        char* out = utf8;
        size_t inLeft = std::strlen(text);
        size_t outLeft = sizeof utf8 - 1;
        const bool converted =
            iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
        iconv_close(converter);
        if (converted) {
            *out = '\0';
            std::fputs(utf8, stderr);
            return;
        }
    }
    std::fputs(text, stderr);
}

class PosixLegacy : public LegacyPlatform {
  public:
    uint32_t WindowsDirectory(char* buffer, uint32_t size) override {
        const char* directory = std::getenv("PAMURO_WINDOWS_DIR");
        if (directory == nullptr || *directory == '\0') {
            directory = kDefaultWindowsDirectory;
        }
        const size_t length = std::strlen(directory);
        if (length >= size) {
            return static_cast<uint32_t>(length + 1);
        }
        std::memcpy(buffer, directory, length + 1);
        return static_cast<uint32_t>(length);
    }

    LegacyFile OpenForReading(const char* path) override {
        char posixPath[kPathSize];
        if (!ToPosixPath(path, posixPath)) {
            return nullptr;
        }
        const int fd = open(posixPath, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        // No sharing: another holder of the lock makes the open fail.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return nullptr;
        }
        return ToHandle(fd);
    }

    bool Read(LegacyFile file, void* buffer, uint32_t size, uint32_t& got) override {
        ssize_t count;
        do {
            count = read(ToDescriptor(file), buffer, size);
        } while (count < 0 && errno == EINTR);
        got = count > 0 ? static_cast<uint32_t>(count) : 0;
        return count >= 0;
    }

    void Close(LegacyFile file) override { close(ToDescriptor(file)); }

    bool Delete(const char* path, uint32_t& error) override {
        char posixPath[kPathSize];
        if (!ToPosixPath(path, posixPath)) {
            error = ENAMETOOLONG;
            return false;
        }
        if (unlink(posixPath) != 0) {
            error = static_cast<uint32_t>(errno);
            return false;
        }
        return true;
    }

    bool ErrorText(uint32_t code, char* buffer, uint32_t size) override {
        std::snprintf(buffer, size, "%s", std::strerror(static_cast<int>(code)));
        return true;
    }

    void ShowMessage(const char* text, const char* caption, bool information) override {
        std::fputs(information ? "[i] " : "", stderr);
        if (caption != nullptr) {
            PrintSjis(caption);
            std::fputs(": ", stderr);
        }
        PrintSjis(text);
        std::fputs("\n", stderr);
    }
};

}  // namespace

LegacyPlatform& PosixLegacyPlatform() {
    static PosixLegacy platform;
    return platform;
}
