#pragma once
// Whole files as bytes: how the Wine tests prepare a file and check what a
// program left in it.
#include <windows.h>

#include <string>

// What ReadFileBytes gives for a file it cannot open; no test file holds it.
inline const std::string kMissingFile = "<missing>";

// Writes `bytes` as the whole file, made or emptied first; false when it
// could not be written in full.
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL wrote =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == bytes.size();
}

// The file's bytes; kMissingFile when it cannot be opened.
inline std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return kMissingFile;
    }
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

// The same for a path in the ANSI code page, as the kernel32 INI calls take it.
inline std::wstring WidePath(const std::string& path) {
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
    return wide;
}
inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(WidePath(path), bytes);
}
inline std::string ReadFileBytes(const std::string& path) {
    return ReadFileBytes(WidePath(path));
}
