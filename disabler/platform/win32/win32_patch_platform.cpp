// Win32 backend of the patch platform. Paths arrive as Shift-JIS and go to the
// wide file functions after an explicit conversion from code page 932, so a
// Japanese path works whatever the system's ANSI code page is; texts are shown
// through MessageBoxW the same way.
#include "disabler/platform/win32/win32_patch_platform.h"

#include <windows.h>

#include <utility>

#include "common/win32/owned.h"
#include "common/win32/sjis_text.h"

namespace {

// A Shift-JIS path never has more characters than bytes.
using WidePath = WideTextOf<MAX_PATH + 16>;

class Win32PatchFile : public PatchFile {
  public:
    bool IsOpen() const { return handle_.Valid(); }
    void Attach(OwnedFile handle) { handle_ = std::move(handle); }

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        DWORD got = 0;
        if (!Seek(offset) || !ReadFile(handle_.Get(), buffer, Clamp(count), &got, nullptr)) {
            return 0;
        }
        return got;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        DWORD written = 0;
        if (!Seek(offset) || !WriteFile(handle_.Get(), data, Clamp(count), &written, nullptr)) {
            return 0;
        }
        return written;
    }

    bool QuerySize(uint64_t& size) override {
        LARGE_INTEGER bytes;
        if (!GetFileSizeEx(handle_.Get(), &bytes)) {
            return false;
        }
        size = static_cast<uint64_t>(bytes.QuadPart);
        return true;
    }

    uint32_t Flush() override { return FlushFileBuffers(handle_.Get()) ? 0 : GetLastError(); }

    void Close() override { handle_.Reset(); }

  private:
    static DWORD Clamp(size_t count) {
        return count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    }

    // SetFilePointerEx takes and reports the whole 64-bit offset and says
    // plainly whether it failed (SetFilePointer's low word of all ones is
    // both a valid offset and its error mark).
    bool Seek(uint64_t offset) {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(handle_.Get(), position, nullptr, FILE_BEGIN) != FALSE;
    }

    OwnedFile handle_;
};

class Win32PatchPlatformBackend : public PatchPlatform {
  public:
    PatchFile* OpenRead(const char* path) override {
        // Shared for reading only: a running game's executable can be read,
        // one that something is writing can't.
        return Adopt(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                 nullptr));
    }

    PatchFile* CreateNew(const char* path) override {
        // CREATE_NEW: an existing file is never overwritten.
        return Adopt(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    bool Remove(const char* path) override { return DeleteFileW(WidePath(path).c_str()) != FALSE; }

    PatchFile* OpenReadWrite(const char* path) override {
        // Share mode 0: while the scan runs no other process can open the file.
        return Adopt(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS,
                                 nullptr));
    }

    bool MoveOver(const char* from, const char* to) override {
        return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }

    // The filters are RCDATA resources of disabler.exe named after the DLL
    // and the architecture: "DINPUT8_X86_64", "DINPUT_I686" (disabler.rc).
    bool CarriedFilter(const char* name, bool x86_64, const void*& data, size_t& size) override {
        wchar_t resource[32] = {};
        int used = 0;
        for (const char* c = name; *c != '\0' && *c != '.' && used < 16; ++c) {
            resource[used++] = static_cast<wchar_t>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c);
        }
        lstrcpyW(resource + used, x86_64 ? L"_X86_64" : L"_I686");
        HRSRC found = FindResourceW(nullptr, resource, MAKEINTRESOURCEW(10));  // RT_RCDATA
        HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
        data = loaded != nullptr ? LockResource(loaded) : nullptr;
        size = found != nullptr ? SizeofResource(nullptr, found) : 0;
        return data != nullptr && size != 0;
    }

    void ShowMessage(OwnerWindow owner, const char* text, const char* caption) override {
        ShowSjisMessage(static_cast<HWND>(owner), text, caption, MB_OK);
    }

  private:
    // Hands out an open handle (INVALID_HANDLE_VALUE gives nullptr) as a free
    // file object.
    PatchFile* Adopt(HANDLE handle) {
        OwnedFile opened(handle);  // closed here when no file object is free
        if (!opened.Valid()) {
            return nullptr;
        }
        for (Win32PatchFile& file : files_) {
            if (!file.IsOpen()) {
                file.Attach(std::move(opened));
                return &file;
            }
        }
        return nullptr;
    }

    Win32PatchFile files_[2];
};

}  // namespace

PatchPlatform& Win32PatchPlatform() {
    static Win32PatchPlatformBackend platform;
    return platform;
}
