#pragma once
// The patch operation of disabler: back up a game executable, then rewrite
// the imported names joyGetPosEx and joyGetPos anywhere in its bytes into
// midiInGetID and mmioClose, winmm functions of exactly the same lengths, so
// the game stops reading the joystick that mapper turns into key presses.
#include <cstddef>
#include <cstdint>

#include "disabler/core/patch_platform.h"

// Paths come from a 260-byte field: at most 259 bytes and the terminator.
constexpr size_t kMaxPathBytes = 259;
// The scan reads the file through a buffer of this many bytes at a time.
constexpr size_t kScanChunkBytes = 64 * 1024;

enum class ScanResult {
    NoNameFound,  // the file holds neither name; nothing was written
    Rewritten,    // at least one name was rewritten and every write succeeded
    WriteFailed,  // a write failed: the file may be partly rewritten
    ReadFailed,   // the size or a read before the end failed: the file may be partly rewritten
};

// Whether a flush that ended with `error` (0: flushed) counts as done
// (FlushCountsAsDone).
bool FileFlushed(uint32_t error);

// Scans `file` from offset 0 to its end and rewrites every joyGetPosEx (the
// longer name is tried first) and joyGetPos that starts at a lower-case j
// into midiInGetID or mmioClose, written at the j. The byte after every j is
// skipped, matched or not. The scan reads up to the file's size: a size that
// can't be learnt, or a read that fails before the end, ends it as ReadFailed
// (never as success or as no name found); a failed write ends it too. `chunkBytes`
// (1..kScanChunkBytes) is how much is read at a time; the result and the writes do not depend on
// it.
ScanResult RewriteJoystickNames(PatchFile& file, size_t chunkBytes = kScanChunkBytes);

// The whole operation for the executable at `path` (Shift-JIS): copies it to
// "<path>.BAK" without overwriting and puts the copy on the disk (a copy that
// fails part way is removed), shows the notice that the scan takes a while,
// opens the executable, rewrites the names, writes the DirectInput filters
// the game needs beside it (direct_input.h) and tells the outcome, each step
// by a message box owned by `owner`. No result: the user is told.
void DisableJoystick(PatchPlatform& platform, OwnerWindow owner, const char* path);
