// Win32 backend of the patch platform. Paths arrive as Shift-JIS and go to the
// wide file functions after an explicit conversion from code page 932, so a
// Japanese path works whatever the system's ANSI code page is; texts are shown
// through MessageBoxW the same way.
#include <windows.h>

#include "common/win32/sjis_text.h"
#include "disabler/core/patch_platform.h"

namespace {

// A Shift-JIS path never has more characters than bytes.
using WidePath = WideTextOf<MAX_PATH + 16>;

class Win32PatchFile : public PatchFile {
  public:
    void Attach(HANDLE handle) { handle_ = handle; }

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        DWORD got = 0;
        if (!Seek(offset) || !ReadFile(handle_, buffer, Clamp(count), &got, nullptr)) {
            return 0;  // a read error counts as the end of the file
        }
        return got;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        DWORD written = 0;
        if (!Seek(offset) || !WriteFile(handle_, data, Clamp(count), &written, nullptr)) {
            return 0;
        }
        return written;
    }

    uint64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(handle_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    void Close() override {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    static DWORD Clamp(size_t count) {
        return count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    }

    bool Seek(uint64_t offset) {
        LONG high = static_cast<LONG>(offset >> 32);
        DWORD low =
            SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
        return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class Win32PatchPlatform : public PatchPlatform {
  public:
    bool CopyNoOverwrite(const char* source, const char* destination) override {
        // bFailIfExists TRUE: an existing backup is never overwritten.
        return CopyFileW(WidePath(source).c_str(), WidePath(destination).c_str(), TRUE) != FALSE;
    }

    PatchFile* OpenReadWrite(const char* path) override {
        // Share mode 0: while the scan runs no other process can open the file.
        HANDLE handle =
            CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        file_.Attach(handle);
        return &file_;
    }

    void ShowMessage(OwnerWindow owner, const char* text, const char* caption) override {
        WideTextOf<2048> wideText(text);
        if (caption == nullptr) {
            MessageBoxW(static_cast<HWND>(owner), wideText.c_str(), nullptr, MB_OK);
            return;
        }
        MessageBoxW(static_cast<HWND>(owner), wideText.c_str(), WidePath(caption).c_str(), MB_OK);
    }

  private:
    Win32PatchFile file_;
};

}  // namespace

PatchPlatform& SystemPatchPlatform() {
    static Win32PatchPlatform platform;
    return platform;
}
