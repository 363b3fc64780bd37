#pragma once
// Takeover of the data file of releases 1.0 and 1.2: Tolvin.dat in the
// Windows directory. At start-up, before Top.ini is read, the converter tells
// the user, reads the file in whichever layout it has and puts its key sets
// into the table in place of those of Top.ini. The file is deleted only once
// the sets are safe in Top.ini (see LoadStartupData).
#include <cstddef>
#include <cstdint>

#include "mapper/model/keyset_table.h"

// The sizes of the two layouts: 1.0 has no signature and four buttons, 1.2
// starts with "Pamuro" and a zero byte and has eight buttons.
constexpr uint32_t kLegacy10FileSize = 23044;
constexpr uint32_t kLegacy12FileSize = 24341;

// An open legacy file; what it holds is the backend's business.
using LegacyFile = void*;

// What the converter needs from the system. Win32 serves it in
// mapper/platform/win32, a stand-alone backend in mapper/platform/standalone, and
// the tests a recording fake.
class LegacyPlatform {
  public:
    virtual ~LegacyPlatform() = default;
    // Writes the Windows directory, zero-terminated, into `buffer` (`size`
    // bytes). Returns its length; 0 on failure, `size` or more when it does
    // not fit (then `buffer` holds nothing usable).
    virtual uint32_t WindowsDirectory(char* buffer, uint32_t size) = 0;
    // Writes the user's local application data folder (%LOCALAPPDATA%),
    // zero-terminated, into `buffer` (`size` bytes), as WindowsDirectory does.
    virtual uint32_t LocalAppDataDirectory(char* buffer, uint32_t size) = 0;
    // Opens the existing file `path` for reading only, shared with nobody
    // (another holder makes it fail), hinting random access. nullptr when it
    // does not exist or cannot be opened.
    virtual LegacyFile OpenForReading(const char* path) = 0;
    // Reads up to `size` bytes at the file's position into `buffer` and sets
    // `got` to the count read, 0 at the end of the file. False on a read error.
    virtual bool Read(LegacyFile file, void* buffer, uint32_t size, uint32_t& got) = 0;
    // The size in bytes and the last-write time (any 64-bit count that
    // changes when the file is written) of a file from OpenForReading.
    virtual bool SizeAndTime(LegacyFile file, uint64_t& size, uint64_t& time) = 0;
    // Closes a file from OpenForReading.
    virtual void Close(LegacyFile file) = 0;
    // Deletes the file `path`. False on failure, with the system's error code in `error`.
    virtual bool Delete(const char* path, uint32_t& error) = 0;
    // Writes the system's text for error `code`, as zero-terminated Shift-JIS,
    // into `buffer` (`size` bytes). False, with `buffer` empty, when the
    // system has no text for it.
    virtual bool ErrorText(uint32_t code, char* buffer, uint32_t size) = 0;
    // Shows a message box with an OK button and no owner and returns when it
    // is closed. `text` and `caption` are Shift-JIS; a null caption gives the
    // system's default caption; `information` adds the information icon,
    // otherwise there is none.
    virtual void ShowMessage(const char* text, const char* caption, bool information) = 0;
};

// Looks for Tolvin.dat in the Windows directory, else where Windows' file
// virtualization kept it (…\VirtualStore\Windows\Tolvin.dat under the local
// application data folder). When it is there: tells the user (naming a
// VirtualStore copy), reads it and replaces sets 0..SetKeyCount of `table` with the file's
// sets. The file's highest set index becomes SetKeyCount, a value below 1
// turned into 2 and one above 79 into 79; bytes missing from a short file
// read as 0; a name that fills its whole field is cut to 255 bytes without
// splitting a character. Returns true then, and LoadSettings skips the key
// sets of Top.ini. The file stays until DeleteLegacyData.
// Returns false and changes nothing when there is no data to convert: no file
// can be opened or it is empty (nothing shown), or reading it fails (the file
// is kept for a later start).
bool ConvertLegacyData(KeySetTable& table, LegacyPlatform& platform);

// Room for a stamp of LegacyDataStamp, its zero included.
constexpr size_t kLegacyStampSize = 40;

// The stamp of the Tolvin.dat that ConvertLegacyData would convert: its size,
// a comma and its last-write time as 16 hex digits ("24341,01DA0B0C0D0E0F10").
// False when there is none or its size and time cannot be had.
bool LegacyDataStamp(LegacyPlatform& platform, char (&stamp)[kLegacyStampSize]);

// Deletes the Tolvin.dat that was converted; a failed deletion is shown with the system's text and
// otherwise ignored (the next start then converts the file again).
void DeleteLegacyData(LegacyPlatform& platform);
