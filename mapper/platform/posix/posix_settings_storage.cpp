#include "mapper/platform/posix/posix_settings_storage.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kPathSize = 2048;

struct NativePath {
    char text[kPathSize];
};

// Appends the UTF-8 form of `code` at `at`; false when it does not fit.
bool PutUtf8(uint32_t code, NativePath* native, size_t* at) {
    char bytes[4];
    size_t count = 0;
    if (code < 0x80) {
        bytes[count++] = static_cast<char>(code);
    } else if (code < 0x800) {
        bytes[count++] = static_cast<char>(0xC0 | (code >> 6));
        bytes[count++] = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes[count++] = static_cast<char>(0xE0 | (code >> 12));
        bytes[count++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes[count++] = static_cast<char>(0xF0 | (code >> 18));
        bytes[count++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    if (*at + count >= sizeof native->text) {
        return false;
    }
    std::memcpy(native->text + *at, bytes, count);
    *at += count;
    return true;
}

// The settings code gives UTF-16 paths with '\' between folders, as on
// Windows; here a path is UTF-8 with '/'. False for a path that does not fit
// or holds half a surrogate pair.
bool ToNativePath(const char16_t* path, NativePath* native) {
    size_t at = 0;
    for (size_t i = 0; path[i] != u'\0'; ++i) {
        uint32_t code = path[i] == u'\\' ? u'/' : path[i];
        if (code >= 0xD800 && code <= 0xDBFF && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (path[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            return false;
        }
        if (!PutUtf8(code, native, &at)) {
            return false;
        }
    }
    native->text[at] = '\0';
    return true;
}

// The UTF-16 form of the UTF-8 text `utf8`; false when it is not UTF-8 or
// does not fit out[0..capacity-1] with its zero.
bool FromUtf8(const char* utf8, char16_t* out, size_t capacity) {
    size_t used = 0;
    for (size_t i = 0; utf8[i] != '\0';) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t count = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t code = count == 1 ? lead : lead & (0x3F >> (count - 1));
        for (size_t k = 1; k < count; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if ((count > 1 && lead < 0xC2) || lead > 0xF4 || code > 0x10FFFF) {
            return false;
        }
        const size_t units = code >= 0x10000 ? 2 : 1;
        if (used + units >= capacity) {
            return false;
        }
        if (units == 2) {
            out[used++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(code);
        }
        i += count;
    }
    out[used] = u'\0';
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
    FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
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

    // The temporary file gets a name no file has (O_EXCL) and the mode of
    // the file it replaces.
    bool ReplaceFile(const char16_t* path, const char* data, size_t size) override {
        NativePath native{};
        if (!ToNativePath(path, &native)) {
            return false;
        }
        struct stat existing {};
        const mode_t mode = stat(native.text, &existing) == 0 ? existing.st_mode & 07777 : 0644;
        NativePath temporary{};
        const int fd = CreateTemporary(native, mode, &temporary);
        if (fd < 0) {
            return false;
        }
        const bool written = WriteAll(fd, data, size) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
        const bool closed = close(fd) == 0;
        if (!written || !closed || rename(temporary.text, native.text) != 0) {
            unlink(temporary.text);
            return false;
        }
        SyncDirectoryOf(native.text);
        return true;
    }

    bool CurrentDirectory(char16_t* buffer, size_t capacity) override {
        char utf8[kPathSize];
        return getcwd(utf8, sizeof utf8) != nullptr && FromUtf8(utf8, buffer, capacity);
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
    // "<path>.<pid>-<n>.tmp" for the first n from 0 that names no file yet.
    static int CreateTemporary(const NativePath& path, mode_t mode, NativePath* temporary) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (std::snprintf(temporary->text, sizeof temporary->text, "%s.%ld-%d.tmp", path.text,
                              static_cast<long>(getpid()),
                              attempt) >= static_cast<int>(sizeof temporary->text)) {
                return -1;
            }
            const int fd =
                open(temporary->text, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode | 0200);
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
