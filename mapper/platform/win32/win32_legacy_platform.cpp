#include "mapper/platform/win32/win32_legacy_platform.h"

#include <windows.h>

#include "common/win32/sjis_text.h"

namespace {

HANDLE ToHandle(LegacyFile file) {
    return static_cast<HANDLE>(file);
}

// Converts a wide text into Shift-JIS, cut to fit. A character without a
// Shift-JIS form becomes the code page's default character rather than
// losing the whole text.
bool WideToSjisCut(const wchar_t* text, char* out, uint32_t outSize) {
    if (outSize < 2) {
        if (outSize == 1) {
            out[0] = '\0';
        }
        return false;
    }
    int length = lstrlenW(text);
    while (length > 0) {
        const int written = WideCharToMultiByte(kShiftJisCodePage, 0, text, length, out,
                                                static_cast<int>(outSize) - 1, nullptr, nullptr);
        if (written > 0) {
            out[written] = '\0';
            return true;
        }
        length = length * 3 / 4;
    }
    out[0] = '\0';
    return false;
}

class Win32LegacyPlatformBackend : public LegacyPlatform {
  public:
    uint32_t WindowsDirectory(char* buffer, uint32_t size) override {
        return GetWindowsDirectoryA(buffer, size);
    }

    uint32_t LocalAppDataDirectory(char* buffer, uint32_t size) override {
        return GetEnvironmentVariableA("LOCALAPPDATA", buffer, size);
    }

    LegacyFile OpenForReading(const char* path) override {
        HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    }

    bool Read(LegacyFile file, void* buffer, uint32_t size, uint32_t& got) override {
        DWORD count = 0;
        const BOOL ok = ReadFile(ToHandle(file), buffer, size, &count, nullptr);
        got = count;
        return ok != FALSE;
    }

    bool SizeAndTime(LegacyFile file, uint64_t& size, uint64_t& time) override {
        LARGE_INTEGER length{};
        FILETIME written{};
        if (!GetFileSizeEx(ToHandle(file), &length) ||
            !GetFileTime(ToHandle(file), nullptr, nullptr, &written)) {
            return false;
        }
        size = static_cast<uint64_t>(length.QuadPart);
        time = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
        return true;
    }

    void Close(LegacyFile file) override { CloseHandle(ToHandle(file)); }

    bool Delete(const char* path, uint32_t& error) override {
        if (DeleteFileA(path)) {
            return true;
        }
        error = GetLastError();
        return false;
    }

    // FormatMessageW rather than the ANSI form: the converter's texts are
    // Shift-JIS whatever the system's ANSI code page is.
    bool ErrorText(uint32_t code, char* buffer, uint32_t size) override {
        wchar_t* text = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                               FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        const bool found = length != 0 && text != nullptr && WideToSjisCut(text, buffer, size);
        if (text != nullptr) {
            LocalFree(text);
        }
        if (!found && size > 0) {
            buffer[0] = '\0';
        }
        return found;
    }

    void ShowMessage(const char* text, const char* caption, bool information) override {
        ShowSjisMessage(nullptr, text, caption, MB_OK | (information ? MB_ICONINFORMATION : 0));
    }
};

}  // namespace

LegacyPlatform& Win32LegacyPlatform() {
    static Win32LegacyPlatformBackend platform;
    return platform;
}
