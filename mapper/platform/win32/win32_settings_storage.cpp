#include "mapper/platform/win32/win32_settings_storage.h"

#include <windows.h>
// windows.h maps ReplaceFile to ReplaceFileA; the storage's method keeps its name.
#undef ReplaceFile

#include <cstdio>
#include <cwchar>

#include "common/shift_jis.h"
#include "mapper/model/settings.h"

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        if (!valid()) {
            return true;
        }
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

  private:
    HANDLE handle_;
};

bool ReadAll(HANDLE file, char* buffer, size_t size) {
    while (size > 0) {
        DWORD got = 0;
        const DWORD wanted = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!ReadFile(file, buffer, wanted, &got, nullptr) || got == 0) {
            return false;
        }
        buffer += got;
        size -= got;
    }
    return true;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD wanted = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!WriteFile(file, data, wanted, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide text is UTF-16");

const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// Room for the longest path of Top.ini and the temporary name's suffix.
constexpr size_t kTemporaryPathSize = kStartupDirectorySize + 64;

// The attributes of the file at `path` that its replacement takes from the
// start: ReplaceFileW keeps them on Windows, Wine's does not.
DWORD InheritedAttributes(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kept) == 0) {
        return FILE_ATTRIBUTE_NORMAL;
    }
    return attributes & kept;
}

// Creates "<path>.<pid>-<n>.tmp" for the first n from 0 that names no file
// yet (CREATE_NEW never opens an existing file) and writes its name to
// `temporary`.
HANDLE CreateTemporary(const wchar_t* path, wchar_t (&temporary)[kTemporaryPathSize]) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int length = _snwprintf(temporary, kTemporaryPathSize, L"%ls.%lu-%d.tmp", path,
                                      GetCurrentProcessId(), attempt);
        if (length < 0 || static_cast<size_t>(length) >= kTemporaryPathSize) {
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  InheritedAttributes(path), nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return INVALID_HANDLE_VALUE;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// Puts the written temporary file in the place of `path`: ReplaceFileW keeps
// the attributes of the file it replaces; with no file there yet, a rename.
bool PutInPlace(const wchar_t* temporary, const wchar_t* path) {
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        return MoveFileExW(temporary, path, MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    return ReplaceFileW(path, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != FALSE;
}

class Win32SettingsStorageBackend final : public SettingsStorage {
  public:
    FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        FileHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? FileReadResult::Missing
                       : FileReadResult::Failed;
        }
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(file.get(), &length)) {
            return FileReadResult::Failed;
        }
        if (static_cast<unsigned long long>(length.QuadPart) > capacity) {
            return FileReadResult::TooLarge;
        }
        const auto byteCount = static_cast<size_t>(length.QuadPart);
        if (!ReadAll(file.get(), buffer, byteCount)) {
            return FileReadResult::Failed;
        }
        *size = byteCount;
        return FileReadResult::Read;
    }

    // The temporary file lies beside Top.ini so that it replaces the file in
    // one step on the same volume; it is flushed before it does.
    bool ReplaceFile(const char16_t* path, const char* data, size_t size) override {
        wchar_t temporary[kTemporaryPathSize];
        FileHandle file(CreateTemporary(Wide(path), temporary));
        if (!file.valid()) {
            return false;
        }
        const bool written = WriteAll(file.get(), data, size) && FlushFileBuffers(file.get());
        if (!file.Close() || !written || !PutInPlace(temporary, Wide(path))) {
            DeleteFileW(temporary);
            return false;
        }
        return true;
    }

    bool CurrentDirectory(char16_t* buffer, size_t capacity) override {
        const DWORD length =
            GetCurrentDirectoryW(static_cast<DWORD>(capacity), reinterpret_cast<wchar_t*>(buffer));
        return length != 0 && length < capacity;
    }

    int ToAnsi(char16_t unit, char out[2]) override {
        const wchar_t wide = static_cast<wchar_t>(unit);
        BOOL lossy = FALSE;
        const int count = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1,
                                              out, 2, nullptr, &lossy);
        return lossy ? 0 : count;
    }

    char16_t ToWide(const char* bytes, int count) override {
        wchar_t wide = 0;
        if (MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, bytes, count, &wide, 1) !=
            1) {
            return 0;
        }
        return static_cast<char16_t>(wide);
    }
};

}  // namespace

SettingsStorage& Win32SettingsStorage() {
    static Win32SettingsStorageBackend storage;
    return storage;
}
