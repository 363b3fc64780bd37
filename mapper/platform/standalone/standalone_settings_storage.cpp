#include "mapper/platform/standalone/standalone_settings_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/standalone/posix_calls.h"

namespace {

constexpr size_t kPathSize = 2048;

struct NativePath {
    char text[kPathSize];
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = RetryOnSignal([&] { return write(fd, data, size); });
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable: the directory entry is flushed too.
void SyncDirectoryOf(const char* path) {
    char directory[kPathSize];
    std::snprintf(directory, sizeof directory, "%s", path);
    char* slash = std::strrchr(directory, '/');
    if (slash == nullptr) {
        std::snprintf(directory, sizeof directory, ".");
    } else if (slash == directory) {
        slash[1] = '\0';
    } else {
        *slash = '\0';
    }
    const int fd = open(directory, O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

class StandaloneSettingsStorageBackend final : public SettingsStorage {
  public:
    FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        NativePath native{};
        if (!ToNativePath(path, native)) {
            return FileReadResult::Failed;
        }
        const int fd = open(native.text, O_RDONLY);
        if (fd < 0) {
            return errno == ENOENT ? FileReadResult::Missing : FileReadResult::Failed;
        }
        const FileReadResult result = ReadOpenFile(fd, buffer, capacity, size);
        close(fd);
        return result;
    }

    // The temporary file gets a name no file has (O_EXCL) and the mode of
    // the file it replaces.
    ReplaceResult ReplaceFile(const char16_t* path, const char* data, size_t size,
                              char16_t* kept) override {
        NativePath native{};
        if (!ToNativePath(path, native)) {
            return ReplaceResult::Failed;
        }
        struct stat existing {};
        const mode_t mode = stat(native.text, &existing) == 0 ? existing.st_mode & 07777 : 0644;
        char16_t temporary[kStoragePathSize];
        NativePath nativeTemporary{};
        const int fd = CreateTemporary(path, mode, temporary, &nativeTemporary);
        if (fd < 0) {
            return ReplaceResult::Failed;
        }
        const bool written = WriteAll(fd, data, size) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
        const bool closed = close(fd) == 0;
        if (!written || !closed) {
            unlink(nativeTemporary.text);
            return ReplaceResult::Failed;
        }
        if (rename(nativeTemporary.text, native.text) != 0) {
            std::memcpy(kept, temporary, sizeof temporary);
            return ReplaceResult::TemporaryKept;
        }
        SyncDirectoryOf(native.text);
        return ReplaceResult::Replaced;
    }

    void RemoveLeftovers(const char16_t* path) override {
        for (int n = 0; n < kTemporaryNames; ++n) {
            char16_t temporary[kStoragePathSize];
            NativePath native{};
            if (TemporaryPathFor(path, n, temporary, kStoragePathSize) &&
                ToNativePath(temporary, native)) {
                unlink(native.text);
            }
        }
    }

    bool LastWriteTime(const char16_t* path, uint64_t* time) override {
        NativePath native{};
        struct stat status {};
        if (!ToNativePath(path, native) || stat(native.text, &status) != 0) {
            return false;
        }
        *time = static_cast<uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                static_cast<uint64_t>(status.st_mtim.tv_nsec);
        return true;
    }

    void RemoveFile(const char16_t* path) override {
        NativePath native{};
        if (ToNativePath(path, native)) {
            unlink(native.text);
        }
    }

    bool FolderTakesNewFile(const char16_t* folder) override {
        NativePath native{};
        if (!ToNativePath(folder, native)) {
            return false;
        }
        char probe[kPathSize + 16];
        std::snprintf(probe, sizeof probe, "%s/.pamuro-XXXXXX", native.text);
        const int fd = mkstemp(probe);
        if (fd < 0) {
            return false;
        }
        close(fd);
        return unlink(probe) == 0;
    }

    bool LocalAppData(char16_t*, size_t) override { return false; }  // no VirtualStore here

    bool CurrentDirectory(char16_t* buffer, size_t capacity) override {
        char utf8[kPathSize];
        return getcwd(utf8, sizeof utf8) != nullptr && FromUtf8(utf8, buffer, capacity);
    }

    int ToAnsi(char16_t unit, char out[2]) override {
        const char utf16[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        char ansi[4];
        const size_t count = toAnsi_.Convert(utf16, 2, ansi, sizeof ansi);
        if (count == 0 || count > 2) {
            return 0;
        }
        std::memcpy(out, ansi, count);
        return static_cast<int>(count);
    }

    char16_t ToWide(const char* bytes, int count) override {
        char utf16[4];
        if (toWide_.Convert(bytes, static_cast<size_t>(count), utf16, sizeof utf16) != 2) {
            return 0;
        }
        return static_cast<char16_t>(static_cast<unsigned char>(utf16[0]) |
                                     (static_cast<unsigned char>(utf16[1]) << 8));
    }

  private:
    // The first of the temporary names that names no file yet.
    int CreateTemporary(const char16_t* path, mode_t mode, char16_t* temporary,
                        NativePath* native) {
        for (int n = 0; n < kTemporaryNames; ++n) {
            if (!TemporaryPathFor(path, n, temporary, kStoragePathSize) ||
                !ToNativePath(temporary, *native)) {
                return -1;
            }
            const int fd = open(native->text, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode | 0200);
            if (fd >= 0 || errno != EEXIST) {
                return fd;
            }
        }
        return -1;
    }

    static FileReadResult ReadOpenFile(int fd, char* buffer, size_t capacity, size_t* size) {
        size_t total = 0;
        for (;;) {
            char probe = 0;
            // One byte past the capacity tells a full buffer from a longer file.
            char* target = total < capacity ? buffer + total : &probe;
            const size_t room = total < capacity ? capacity - total : 1;
            const ssize_t got = RetryOnSignal([&] { return read(fd, target, room); });
            if (got < 0) {
                return FileReadResult::Failed;
            }
            if (got == 0) {
                *size = total;
                return FileReadResult::Read;
            }
            if (total >= capacity) {
                return FileReadResult::TooLarge;
            }
            total += static_cast<size_t>(got);
        }
    }

    // The settings code gives UTF-16 paths with '\' between folders, as on
    // Windows; here a path is UTF-8 with '/'. False for a path that does not
    // fit or holds half a surrogate pair.
    bool ToNativePath(const char16_t* path, NativePath& native) {
        char utf16[2 * kPathSize];
        size_t bytes = 0;
        for (size_t i = 0; path[i] != u'\0'; ++i) {
            if (bytes + 2 > sizeof utf16) {
                return false;
            }
            utf16[bytes++] = static_cast<char>(path[i] & 0xFF);
            utf16[bytes++] = static_cast<char>(path[i] >> 8);
        }
        char utf8[kPathSize];
        const size_t length = toUtf8_.Convert(utf16, bytes, utf8, sizeof utf8 - 1);
        if (length == 0 && bytes != 0) {
            return false;
        }
        utf8[length] = '\0';
        return ToPosixPath(utf8, native.text, sizeof native.text);
    }

    // The UTF-16 form of the UTF-8 text `utf8`; false when it is not UTF-8 or
    // does not fit out[0..capacity-1] with its zero.
    bool FromUtf8(const char* utf8, char16_t* out, size_t capacity) {
        char utf16[2 * kPathSize];
        const size_t length = std::strlen(utf8);
        const size_t bytes = fromUtf8_.Convert(utf8, length, utf16, sizeof utf16);
        if ((bytes == 0 && length != 0) || capacity == 0 || bytes / 2 >= capacity) {
            return false;
        }
        for (size_t i = 0; i < bytes / 2; ++i) {
            out[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                           (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
        }
        out[bytes / 2] = u'\0';
        return true;
    }

    TextConverter toAnsi_{"CP932", "UTF-16LE"};
    TextConverter toWide_{"UTF-16LE", "CP932"};
    TextConverter toUtf8_{"UTF-8", "UTF-16LE"};
    TextConverter fromUtf8_{"UTF-16LE", "UTF-8"};
};

}  // namespace

SettingsStorage& StandaloneSettingsStorage() {
    static StandaloneSettingsStorageBackend storage;
    return storage;
}
