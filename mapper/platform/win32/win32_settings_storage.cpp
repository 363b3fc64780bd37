#include "mapper/platform/win32/win32_settings_storage.h"

#include <windows.h>
// windows.h maps ReplaceFile to ReplaceFileA; the storage's method keeps its name.
#undef ReplaceFile

#include <cstring>
#include <cwchar>
#include <string>

#include "common/shift_jis.h"
#include "common/win32/owned.h"
#include "mapper/model/file_retry.h"
#include "mapper/model/settings.h"

namespace {

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

// The attributes of the file at `path` that its replacement takes from the
// start, so that the move that puts it in place keeps them.
DWORD InheritedAttributes(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kept) == 0) {
        return FILE_ATTRIBUTE_NORMAL;
    }
    return attributes & kept;
}

// Creates the first of the temporary names beside `path` that names no file
// yet (CREATE_NEW never opens an existing file) and writes its name to
// `temporary` (kStoragePathSize units).
HANDLE CreateTemporary(const char16_t* path, char16_t* temporary, DWORD flags) {
    for (int n = 0; n < kTemporaryNames; ++n) {
        if (!TemporaryPathFor(path, n, temporary, kStoragePathSize)) {
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file =
            CreateFileW(Wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr);
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

bool Flush(HANDLE file) {
    return FlushFileBuffers(file) || FlushCountsAsDone(GetLastError());
}

// A temporary file never outlives a save that did not move it into place,
// also when a scanner holds it for a moment.
void DeleteTemporary(const char16_t* temporary) {
    RetryMomentary([&]() -> uint32_t { return DeleteFileW(Wide(temporary)) ? 0 : GetLastError(); },
                   Sleep);
}

// One try of a whole read: 0, with `result` set, or the error of a try
// that may work a moment later.
uint32_t ReadOnce(const char16_t* path, char* buffer, size_t capacity, size_t* size,
                  FileReadResult* result) {
    *result = FileReadResult::Failed;
    OwnedFile file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            *result = FileReadResult::Missing;
            return 0;
        }
        return error;
    }
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.Get(), &length)) {
        return GetLastError();
    }
    if (static_cast<unsigned long long>(length.QuadPart) > capacity) {
        *result = FileReadResult::TooLarge;
        return 0;
    }
    const auto byteCount = static_cast<size_t>(length.QuadPart);
    if (!ReadAll(file.Get(), buffer, byteCount)) {
        return GetLastError();
    }
    *size = byteCount;
    *result = FileReadResult::Read;
    return 0;
}

// One try of the temporary file: made, written, flushed and closed (0), or
// gone again (the error).
uint32_t WriteTemporary(const char16_t* path, const char* data, size_t size, DWORD attributes,
                        char16_t* temporary) {
    OwnedFile file(CreateTemporary(path, temporary, attributes));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_FILE_EXISTS;
    }
    const bool written = WriteAll(file.Get(), data, size) && Flush(file.Get());
    DWORD error = written ? 0 : GetLastError();
    if (!file.Reset() && error == 0) {
        error = GetLastError();
    }
    if (written && error == 0) {
        return 0;
    }
    DeleteTemporary(temporary);
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

class Win32SettingsStorageBackend final : public SettingsStorage {
  public:
    FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        FileReadResult result = FileReadResult::Failed;
        RetryMomentary([&] { return ReadOnce(path, buffer, capacity, size, &result); }, Sleep);
        return result;
    }

    // The temporary file lies beside Top.ini and carries its attributes, so
    // one move on the same volume puts it in place: at no moment is there no
    // Top.ini. A read-only Top.ini makes the move fail and stays.
    ReplaceResult ReplaceFile(const char16_t* path, const char* data, size_t size,
                              char16_t* kept) override {
        // The user made it read-only: Windows refuses the move over it, and
        // Wine, which does not, must not overwrite it either.
        const DWORD attributes = GetFileAttributesW(Wide(path));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return ReplaceResult::Failed;
        }
        char16_t temporary[kStoragePathSize];
        const DWORD attributesToKeep = InheritedAttributes(Wide(path));
        if (RetryMomentary(
                [&] { return WriteTemporary(path, data, size, attributesToKeep, temporary); },
                Sleep) != 0) {
            return ReplaceResult::Failed;
        }
        // The move's error code is read at once: any other call may change it.
        const DWORD error = RetryMomentary(
            [&]() -> uint32_t {
                return MoveFileExW(Wide(temporary), Wide(path),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                           ? 0
                           : GetLastError();
            },
            Sleep);
        if (error == 0) {
            return ReplaceResult::Replaced;
        }
        // Written and flushed: the newest sets, kept for the next start.
        std::memcpy(kept, temporary, sizeof temporary);
        return ReplaceResult::TemporaryKept;
    }

    void RemoveLeftovers(const char16_t* path) override {
        char16_t temporary[kStoragePathSize];
        for (int n = 0; n < kTemporaryNames; ++n) {
            if (TemporaryPathFor(path, n, temporary, kStoragePathSize)) {
                DeleteFileW(Wide(temporary));
            }
        }
    }

    bool LastWriteTime(const char16_t* path, uint64_t* time) override {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) {
            return false;
        }
        *time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                data.ftLastWriteTime.dwLowDateTime;
        return true;
    }

    void RemoveFile(const char16_t* path) override { DeleteTemporary(path); }

    // A file of the temporary naming that the system deletes when it is closed.
    bool FolderTakesNewFile(const char16_t* folder) override {
        char16_t probe[kStoragePathSize];
        const size_t length = std::char_traits<char16_t>::length(folder);
        if (length + 1 + sizeof u"Top.ini" / sizeof(char16_t) > kStoragePathSize) {
            return false;
        }
        std::memcpy(probe, folder, length * sizeof(char16_t));
        const bool rooted = length > 0 && folder[length - 1] == u'\\';
        std::memcpy(probe + length, rooted ? u"Top.ini" : u"\\Top.ini",
                    rooted ? sizeof u"Top.ini" : sizeof u"\\Top.ini");
        char16_t temporary[kStoragePathSize];
        OwnedFile file(CreateTemporary(probe, temporary,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE));
        return file.Valid();
    }

    // Set by Windows for every logon since Vista, where virtualization began.
    bool LocalAppData(char16_t* buffer, size_t capacity) override {
        const DWORD length = GetEnvironmentVariableW(
            L"LOCALAPPDATA", reinterpret_cast<wchar_t*>(buffer), static_cast<DWORD>(capacity));
        return length != 0 && length < capacity;
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
