#include "mapper/platform/standalone/standalone_legacy_platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kPathSize = 1024;

// File descriptors travel as descriptor + 1, so that descriptor 0 is not null.
LegacyFile ToHandle(int fd) {
    return reinterpret_cast<LegacyFile>(static_cast<intptr_t>(fd) + 1);
}
int ToDescriptor(LegacyFile file) {
    return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1);
}

}  // namespace

StandaloneLegacyPlatformBackend::StandaloneLegacyPlatformBackend(std::string windowsDirectory)
    : windowsDirectory_(std::move(windowsDirectory)) {}

uint32_t StandaloneLegacyPlatformBackend::WindowsDirectory(char* buffer, uint32_t size) {
    const size_t length = windowsDirectory_.size();
    if (length >= size) {
        return static_cast<uint32_t>(length + 1);
    }
    std::memcpy(buffer, windowsDirectory_.c_str(), length + 1);
    return static_cast<uint32_t>(length);
}

// No file virtualization here.
uint32_t StandaloneLegacyPlatformBackend::LocalAppDataDirectory(char*, uint32_t) {
    return 0;
}

LegacyFile StandaloneLegacyPlatformBackend::OpenForReading(const char* path) {
    char posixPath[kPathSize];
    if (!ToPosixPath(path, posixPath, sizeof posixPath)) {
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

bool StandaloneLegacyPlatformBackend::Read(LegacyFile file, void* buffer, uint32_t size,
                                           uint32_t& got) {
    const ssize_t count = RetryOnSignal([&] { return read(ToDescriptor(file), buffer, size); });
    got = count > 0 ? static_cast<uint32_t>(count) : 0;
    return count >= 0;
}

bool StandaloneLegacyPlatformBackend::SizeAndTime(LegacyFile file, uint64_t& size, uint64_t& time) {
    struct stat status {};
    if (fstat(ToDescriptor(file), &status) != 0) {
        return false;
    }
    size = static_cast<uint64_t>(status.st_size);
    time = static_cast<uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
           static_cast<uint64_t>(status.st_mtim.tv_nsec);
    return true;
}

void StandaloneLegacyPlatformBackend::Close(LegacyFile file) {
    close(ToDescriptor(file));
}

bool StandaloneLegacyPlatformBackend::Delete(const char* path, uint32_t& error) {
    char posixPath[kPathSize];
    if (!ToPosixPath(path, posixPath, sizeof posixPath)) {
        error = ENAMETOOLONG;
        return false;
    }
    if (unlink(posixPath) != 0) {
        error = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

bool StandaloneLegacyPlatformBackend::ErrorText(uint32_t code, char* buffer, uint32_t size) {
    std::snprintf(buffer, size, "%s", std::strerror(static_cast<int>(code)));
    return true;
}

void StandaloneLegacyPlatformBackend::ShowMessage(const char* text, const char* caption,
                                                  bool information) {
    std::fputs(information ? "[i] " : "", stderr);
    if (caption != nullptr) {
        PrintSjis(caption);
        std::fputs(": ", stderr);
    }
    PrintSjis(text);
    std::fputs("\n", stderr);
}

// Prints a Shift-JIS text in UTF-8, or as it is when it does not convert.
void StandaloneLegacyPlatformBackend::PrintSjis(const char* text) {
    char utf8[4096];
    const size_t length = toUtf8_.Convert(text, std::strlen(text), utf8, sizeof utf8 - 1);
    if (length == 0) {
        std::fputs(text, stderr);
        return;
    }
    utf8[length] = '\0';
    std::fputs(utf8, stderr);
}
