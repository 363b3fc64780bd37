#include "mapper/platform/win32/win32_settings_storage.h"

#include <windows.h>
// windows.h maps ReplaceFile to ReplaceFileA; the storage's method keeps its name.
#undef ReplaceFile

#include <cstdio>

namespace {

constexpr UINT kShiftJis = 932;

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

// Writes and flushes the temporary file; false on any failure.
bool WriteTemporary(const char* path, const char* data, size_t size) {
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    const bool written = WriteAll(file.get(), data, size) && FlushFileBuffers(file.get());
    return file.Close() && written;
}

class Win32Storage final : public SettingsStorage {
  public:
    FileReadResult ReadWholeFile(const char* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

    // The temporary file lies beside Top.ini so the rename stays on one
    // volume and replaces the file in one step.
    bool ReplaceFile(const char* path, const char* data, size_t size) override {
        char temporary[MAX_PATH * 8];
        if (std::snprintf(temporary, sizeof temporary, "%s.tmp", path) >=
            static_cast<int>(sizeof temporary)) {
            return false;
        }
        if (!WriteTemporary(temporary, data, size) ||
            !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileA(temporary);
            return false;
        }
        return true;
    }

    bool CurrentDirectory(char* buffer, size_t capacity) override {
        const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(capacity), buffer);
        return length != 0 && length < capacity;
    }

    int ToAnsi(char16_t unit, char out[2]) override {
        const wchar_t wide = static_cast<wchar_t>(unit);
        BOOL lossy = FALSE;
        const int count =
            WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, &wide, 1, out, 2, nullptr, &lossy);
        return lossy ? 0 : count;
    }

    char16_t ToWide(const char* bytes, int count) override {
        wchar_t wide = 0;
        if (MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes, count, &wide, 1) != 1) {
            return 0;
        }
        return static_cast<char16_t>(wide);
    }
};

}  // namespace

SettingsStorage& Win32SettingsStorage() {
    static Win32Storage storage;
    return storage;
}
