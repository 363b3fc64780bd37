#pragma once
// What the patch operation needs from the system: random-access files (the
// executable read for its backup, the backup created new, the executable
// opened for reading and writing with no sharing, the filter DLLs beside it),
// removal and replacement of files, the filters disabler carries, and
// message boxes. Win32 serves it in
// disabler/platform/win32, a stand-alone POSIX backend in
// disabler/platform/standalone; tests use recording fakes.
#include <cstddef>
#include <cstdint>

// The window that owns the message boxes (the dialog's HWND on Windows).
using OwnerWindow = void*;

// An open file. Offsets count from the start and are 64-bit throughout.
class PatchFile {
  public:
    virtual ~PatchFile() = default;
    // Reads up to `count` bytes at `offset` into `buffer`; returns how many
    // were read: fewer at the end of the file, 0 past it or on a read error.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Writes `count` bytes at `offset` over the bytes there; returns how many
    // were written, fewer than `count` when the write fails.
    virtual size_t WriteAt(uint64_t offset, const void* data, size_t count) = 0;
    // The file's size in bytes into `size`; false when it can't be learnt.
    virtual bool QuerySize(uint64_t& size) = 0;
    // Puts everything written so far on the disk; returns 0 when it did, else
    // the system's error code (Windows' numbering).
    virtual uint32_t Flush() = 0;
    // Closes the file; the object must not be used afterwards.
    virtual void Close() = 0;
};

// The backend owns every PatchFile it hands out; each lives until its Close.
// At most two files are open at a time (the executable and its backup).
// Paths are zero-terminated Shift-JIS.
class PatchPlatform {
  public:
    virtual ~PatchPlatform() = default;
    // Opens the existing file `path` for reading, letting others read it too
    // (a running game's executable can be read); nullptr when it can't be
    // opened so (missing, a folder, open for writing elsewhere).
    virtual PatchFile* OpenRead(const char* path) = 0;
    // Creates `path` as a new, empty file open for writing; nullptr when a
    // file of that name exists already (it is never overwritten) or the file
    // can't be created.
    virtual PatchFile* CreateNew(const char* path) = 0;
    // Deletes the file `path`; false when it is still there.
    virtual bool Remove(const char* path) = 0;
    // Opens the existing file `path` for reading and writing, with no sharing
    // so that no other process can open it meanwhile; nullptr when it cannot
    // be opened so (missing, read-only, in use).
    virtual PatchFile* OpenReadWrite(const char* path) = 0;
    // Moves the file `from` over the file `to`, replacing it; false when
    // `to` is as it was.
    virtual bool MoveOver(const char* from, const char* to) = 0;
    // The DirectInput filter `name` ("dinput8.dll" or "dinput.dll") for
    // x86_64 (else i686) as disabler carries it: its bytes, valid for the
    // life of the program, in `data` and `size`; false when not carried.
    virtual bool CarriedFilter(const char* name, bool x86_64, const void*& data, size_t& size) = 0;
    // Shows the Shift-JIS `text` in a message box with an OK button, owned by
    // `owner`, and returns when the user has dismissed it. A null `caption`
    // leaves the system's default caption.
    virtual void ShowMessage(OwnerWindow owner, const char* text, const char* caption) = 0;
};
