#include "mapper/platform/posix/posix_settings_storage.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kPathSize = 2048;

struct NativePath {
    char text[kPathSize];
};

// The settings code joins directory and file name with a backslash, as on
// Windows; here the separator is '/'.
bool ToNativePath(const char* path, NativePath* native) {
    const size_t length = std::strlen(path);
    if (length + 1 > sizeof native->text) {
        return false;
    }
    for (size_t i = 0; i <= length; ++i) {
        native->text[i] = path[i] == '\\' ? '/' : path[i];
    }
    return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
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

// One conversion of `count` bytes from one encoding to another through iconv;
// returns the number of bytes produced, 0 when the input has no exact form.
size_t Convert(iconv_t converter, const char* in, size_t count, char* out, size_t outSize) {
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return 0;
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* input = const_cast<char*>(in);
    char* output = out;
    size_t inLeft = count;
    size_t outLeft = outSize;
    if (iconv(converter, &input, &inLeft, &output, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0) {
        return 0;
    }
    return outSize - outLeft;
}

class PosixStorage final : public SettingsStorage {
  public:
    FileReadResult ReadWholeFile(const char* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        NativePath native{};
        if (!ToNativePath(path, &native)) {
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

    bool ReplaceFile(const char* path, const char* data, size_t size) override {
        NativePath native{};
        NativePath temporary{};
        if (!ToNativePath(path, &native) ||
            std::snprintf(temporary.text, sizeof temporary.text, "%s.tmp", native.text) >=
                static_cast<int>(sizeof temporary.text)) {
            return false;
        }
        const int fd = open(temporary.text, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            return false;
        }
        const bool written = WriteAll(fd, data, size) && fsync(fd) == 0;
        const bool closed = close(fd) == 0;
        if (!written || !closed || rename(temporary.text, native.text) != 0) {
            unlink(temporary.text);
            return false;
        }
        SyncDirectoryOf(native.text);
        return true;
    }

    bool CurrentDirectory(char* buffer, size_t capacity) override {
        return getcwd(buffer, capacity) != nullptr;
    }

    int ToAnsi(char16_t unit, char out[2]) override {
        const char utf16[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        char ansi[4];
        const size_t count = Convert(ToAnsiConverter(), utf16, 2, ansi, sizeof ansi);
        if (count == 0 || count > 2) {
            return 0;
        }
        std::memcpy(out, ansi, count);
        return static_cast<int>(count);
    }

    char16_t ToWide(const char* bytes, int count) override {
        char utf16[4];
        if (Convert(ToWideConverter(), bytes, static_cast<size_t>(count), utf16, sizeof utf16) !=
            2) {
            return 0;
        }
        return static_cast<char16_t>(static_cast<unsigned char>(utf16[0]) |
                                     (static_cast<unsigned char>(utf16[1]) << 8));
    }

  private:
    static FileReadResult ReadOpenFile(int fd, char* buffer, size_t capacity, size_t* size) {
        size_t total = 0;
        for (;;) {
            char probe = 0;
            // One byte past the capacity tells a full buffer from a longer file.
            char* target = total < capacity ? buffer + total : &probe;
            const size_t room = total < capacity ? capacity - total : 1;
            const ssize_t got = read(fd, target, room);
            if (got < 0 && errno == EINTR) {
                continue;
            }
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

    iconv_t ToAnsiConverter() {
        if (!toAnsiOpened_) {
            toAnsi_ = iconv_open("CP932", "UTF-16LE");
            toAnsiOpened_ = true;
        }
        return toAnsi_;
    }

    iconv_t ToWideConverter() {
        if (!toWideOpened_) {
            toWide_ = iconv_open("UTF-16LE", "CP932");
            toWideOpened_ = true;
        }
        return toWide_;
    }

    iconv_t toAnsi_ = reinterpret_cast<iconv_t>(-1);
    iconv_t toWide_ = reinterpret_cast<iconv_t>(-1);
    bool toAnsiOpened_ = false;
    bool toWideOpened_ = false;
};

}  // namespace

SettingsStorage& PosixSettingsStorage() {
    static PosixStorage storage;
    return storage;
}
