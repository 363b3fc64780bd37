#pragma once
// What the patch operation needs from the system: a copy that never
// overwrites, one executable opened for reading and writing with no sharing,
// and message boxes. Win32 serves it in disabler/platform/win32, a stand-alone
// POSIX backend in disabler/platform/posix; tests use recording fakes.
#include <cstddef>
#include <cstdint>

// The window that owns the message boxes (the dialog's HWND on Windows).
using OwnerWindow = void*;

// An executable open for reading and writing. Offsets count from the start.
class PatchFile {
  public:
    virtual ~PatchFile() = default;
    // Reads up to `count` bytes at `offset` into `buffer`; returns how many
    // were read: fewer at the end of the file, 0 past it or on a read error.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Writes `count` bytes at `offset` over the bytes there; returns how many
    // were written, fewer than `count` when the write fails.
    virtual size_t WriteAt(uint64_t offset, const void* data, size_t count) = 0;
    // The file's size in bytes.
    virtual uint64_t Size() = 0;
    // Closes the file; the object must not be used afterwards.
    virtual void Close() = 0;
};

class PatchPlatform {
  public:
    virtual ~PatchPlatform() = default;
    // Copies file `source` to `destination`; false when the copy was not
    // made, and always false when `destination` already exists (it is never
    // overwritten). Paths are zero-terminated Shift-JIS.
    virtual bool CopyNoOverwrite(const char* source, const char* destination) = 0;
    // Opens the existing file `path` for reading and writing, with no sharing
    // so that no other process can open it meanwhile; nullptr when it cannot
    // be opened so (missing, read-only, in use). The backend owns the object,
    // which lives until its Close; one file is open at a time.
    virtual PatchFile* OpenReadWrite(const char* path) = 0;
    // Shows the Shift-JIS `text` in a message box with an OK button, owned by
    // `owner`, and returns when the user has dismissed it. A null `caption`
    // leaves the system's default caption.
    virtual void ShowMessage(OwnerWindow owner, const char* text, const char* caption) = 0;
};

// The backend of this build (Win32 on Windows, POSIX elsewhere).
PatchPlatform& SystemPatchPlatform();
