#pragma once
// What the settings file needs from the platform: whole-file reads, atomic
// replacement, the current directory, and the code page conversion that a
// UTF-16LE Top.ini needs. Paths are UTF-16 text, zero-terminated, with '\\'
// between folders.
#include <cstddef>
#include <cstdint>

#include "common/flush_rule.h"
#include "mapper/model/ini_profile.h"

enum class FileReadResult {
    Read,      // the whole file is in the buffer
    Missing,   // there is no such file
    TooLarge,  // the file is longer than the buffer; the buffer holds nothing useful
    Failed,    // the file exists but could not be read
};

enum class ReplaceResult {
    Replaced,
    // Nothing changed: the old file (or its absence) is as it was, and no
    // temporary file is left.
    Failed,
    // The temporary file was written but could not be moved into place: it
    // is kept and named, since it holds the new content (and may be its
    // only copy).
    TemporaryKept,
};

// UTF-16 units of any path the storage gives back, its zero included.
constexpr size_t kStoragePathSize = 1100;

class SettingsStorage : public AnsiCodePage {
  public:
    // Reads the whole file at `path` into buffer[0..capacity-1] and sets *size.
    // Here and in ReplaceFile, a failure that may pass in a moment (another
    // program holding the file, file_retry.h) is tried again for about a second.
    virtual FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                         size_t* size) = 0;
    // Makes the file at `path` hold exactly data[0..size-1], through a
    // temporary file of a short fresh name beside it that is moved over it,
    // so the file holds either its old or its new content whatever happens,
    // and keeps its attributes. On TemporaryKept, `kept` (kStoragePathSize
    // units) names the temporary file; every other failure leaves the old
    // file (or its absence) and every other file as they were: a temporary
    // file that was not written in full never survives.
    virtual ReplaceResult ReplaceFile(const char16_t* path, const char* data, size_t size,
                                      char16_t* kept) = 0;
    // Removes the temporary files that a save beside `path` left when it
    // was cut short (its own naming only).
    virtual void RemoveLeftovers(const char16_t* path) = 0;
    // The last-write time of the file at `path` (a count that grows as
    // files are written later); false when there is no such file.
    virtual bool LastWriteTime(const char16_t* path, uint64_t* time) = 0;
    // Deletes the file at `path`, if it can.
    virtual void RemoveFile(const char16_t* path) = 0;
    // Whether a new file can be made (and deleted again) in `folder`.
    virtual bool FolderTakesNewFile(const char16_t* folder) = 0;
    // The user's local application data folder (%LOCALAPPDATA%), where
    // Windows keeps the files it redirected for older programs; false when
    // there is none or it does not fit buffer[0..capacity-1].
    virtual bool LocalAppData(char16_t* buffer, size_t capacity) = 0;
    // Copies the current directory, zero-terminated, into buffer[0..capacity-1];
    // false when it cannot be had or does not fit.
    virtual bool CurrentDirectory(char16_t* buffer, size_t capacity) = 0;
};

// How many temporary names a save tries: "Top.~0" to "Top.~9".
constexpr int kTemporaryNames = 10;
// The temporary file `n` (0 to 9) of a save to `path`: the file's extension
// becomes "~n" ("...\Top.ini" gives "...\Top.~3"), so the name is never
// longer than the file's own and the save works wherever the file's path
// does. False when it does not fit out[0..capacity-1].
bool TemporaryPathFor(const char16_t* path, int n, char16_t* out, size_t capacity);

// "<localAppData>\VirtualStore\<folder without its drive>\<fileName>": where
// Windows' file virtualization kept a file that an older program wrote to
// `folder`. False when `folder` has no drive letter (a network path is never
// redirected) or the result does not fit out[0..capacity-1].
bool VirtualStorePath(const char16_t* localAppData, const char16_t* folder,
                      const char16_t* fileName, char16_t* out, size_t capacity);
