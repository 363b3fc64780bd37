// DisableJoystick: backup, notice, scan, and the messages around them. Every
// outcome is told by a message box owned by the dialog; nothing is logged.
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "common/flush_rule.h"
#include "disabler/core/direct_input.h"
#include "disabler/core/disabler_texts_sjis.h"
#include "disabler/core/patch.h"

namespace {

constexpr char kBackupSuffix[] = ".BAK";

// The longest path, ".BAK" and the terminator: the backup path is always
// built in full, never cut.
char g_backupPath[kMaxPathBytes + sizeof kBackupSuffix];
// Room for either composed message with two paths of the longest length,
// or for the success text with a line for each filter.
char g_message[1024 + 2 * sizeof g_backupPath + kFilterCount * kMaxFilterPath];
// The lines about the DirectInput filters.
char g_filterLines[512 + kFilterCount * kMaxFilterPath];
// The backup is copied through this buffer.
unsigned char g_copyBuffer[kScanChunkBytes];

// Forms "<path>.BAK"; false when the path is longer than a path field holds.
bool FormBackupPath(const char* path) {
    size_t length = std::strlen(path);
    if (length > kMaxPathBytes) {
        return false;
    }
    std::memcpy(g_backupPath, path, length);
    std::memcpy(g_backupPath + length, kBackupSuffix, sizeof kBackupSuffix);
    return true;
}

// Joins `parts` into g_message. The buffer is sized for the longest paths;
// should a part not fit anyway, the message is cut, never overrun.
const char* ComposeMessage(std::initializer_list<const char*> parts) {
    size_t used = 0;
    for (const char* part : parts) {
        size_t length = std::min(std::strlen(part), sizeof g_message - 1 - used);
        std::memcpy(g_message + used, part, length);
        used += length;
    }
    g_message[used] = '\0';
    return g_message;
}

// Copies every byte of `from` to `to`, then puts `to` on the disk; false
// when any step fails, a read that ends before the size included.
bool CopyContents(PatchFile& from, PatchFile& to) {
    uint64_t size = 0;
    if (!from.QuerySize(size)) {
        return false;
    }
    for (uint64_t copied = 0; copied < size;) {
        size_t request =
            static_cast<size_t>(std::min<uint64_t>(sizeof g_copyBuffer, size - copied));
        size_t got = from.ReadAt(copied, g_copyBuffer, request);
        if (got == 0 || to.WriteAt(copied, g_copyBuffer, got) != got) {
            return false;
        }
        copied += got;
    }
    return FileFlushed(to.Flush());
}

enum class BackupResult {
    Made,
    Failed,       // no backup, and nothing left at the backup path by this try
    PartialLeft,  // the copy failed part way and could not be removed
};

// Copies the executable at `path` to a new file at g_backupPath and puts the
// copy on the disk before the executable is touched. A copy that fails part
// way is removed, so no truncated file is left looking like a backup; a file
// that was already at the backup path is never opened, let alone removed.
BackupResult MakeBackup(PatchPlatform& platform, const char* path) {
    PatchFile* source = platform.OpenRead(path);
    if (source == nullptr) {
        return BackupResult::Failed;
    }
    PatchFile* backup = platform.CreateNew(g_backupPath);
    if (backup == nullptr) {
        source->Close();
        return BackupResult::Failed;
    }
    bool copied = CopyContents(*source, *backup);
    backup->Close();
    source->Close();
    if (copied) {
        return BackupResult::Made;
    }
    return platform.Remove(g_backupPath) ? BackupResult::Failed : BackupResult::PartialLeft;
}

// A truncated backup that stays would look like a good one to the user and
// would stop every later try: it is named.
void ShowBackupFailure(PatchPlatform& platform, OwnerWindow owner, BackupResult result) {
    const char* text = result == BackupResult::PartialLeft
                           ? ComposeMessage({kBackupError, kPartialBackupLeftBefore, g_backupPath,
                                             kPartialBackupLeftAfter})
                           : kBackupError;
    platform.ShowMessage(owner, text, g_backupPath);
}

// The executable could not be opened for writing after its backup was made:
// the user must know that the backup exists, since it stops every later try.
void ShowOpenFailure(PatchPlatform& platform, OwnerWindow owner, const char* path) {
    platform.ShowMessage(
        owner,
        ComposeMessage({path, kOpenFailedBeforeBackup, g_backupPath, kOpenFailedAfterBackup}),
        nullptr);
}

// A scan that failed part way must never be reported as a success, nor as a
// file without names: names before the failure may have been rewritten.
void ShowPartlyRewritten(PatchPlatform& platform, OwnerWindow owner, const char* whileDoing) {
    platform.ShowMessage(owner,
                         ComposeMessage({whileDoing, kPartlyRewrittenBeforeBackup, g_backupPath,
                                         kPartlyRewrittenAfterBackup}),
                         nullptr);
}

// The filters of the DirectInput names the game uses, beside it. The game is
// read again after the rewrite, which leaves those names as they were.
void PlaceGameFilters(PatchPlatform& platform, const char* path, FilterResult results[kFilterCount],
                      char dllPaths[][kMaxFilterPath]) {
    GameDirectInput game;
    if (PatchFile* file = platform.OpenRead(path)) {
        game = ReadGameDirectInput(*file);
        file->Close();
    }
    PlaceFilters(platform, path, game, results, dllPaths);
}

// The outcome of the rewrite and of the filters. A game with either fix is a
// success; "no name found" only for a game with neither.
void ShowOutcome(PatchPlatform& platform, OwnerWindow owner, ScanResult result,
                 const FilterResult filters[kFilterCount]) {
    const bool anyFilter = g_filterLines[0] != '\0';
    const char* caption = AnyFilterPlaced(filters) ? kSuccessCaption : nullptr;
    switch (result) {
        case ScanResult::Rewritten:
            platform.ShowMessage(
                owner, anyFilter ? ComposeMessage({kSuccess, "\r\n", g_filterLines}) : kSuccess,
                kSuccessCaption);
            return;
        case ScanResult::NoNameFound:
            platform.ShowMessage(owner, anyFilter ? g_filterLines : kNoNameFound, caption);
            return;
        case ScanResult::WriteFailed:
            ShowPartlyRewritten(platform, owner, kWhileWriting);
            break;
        case ScanResult::ReadFailed:
            ShowPartlyRewritten(platform, owner, kWhileReading);
            break;
    }
    if (anyFilter) {
        platform.ShowMessage(owner, g_filterLines, caption);
    }
}

}  // namespace

bool FileFlushed(uint32_t error) {
    return error == 0 || FlushCountsAsDone(error);
}

void DisableJoystick(PatchPlatform& platform, OwnerWindow owner, const char* path) {
    if (path == nullptr) {
        path = "";
    }
    if (!FormBackupPath(path)) {
        // Too long for any path field, so no backup can be made; the caption
        // shows the path itself, which the backup path cannot hold.
        platform.ShowMessage(owner, kBackupError, path);
        return;
    }
    const BackupResult backup = MakeBackup(platform, path);
    if (backup != BackupResult::Made) {
        ShowBackupFailure(platform, owner, backup);
        return;
    }
    platform.ShowMessage(owner, kNotice, nullptr);
    PatchFile* file = platform.OpenReadWrite(path);
    if (file == nullptr) {
        ShowOpenFailure(platform, owner, path);
        return;
    }
    ScanResult result = RewriteJoystickNames(*file);
    // "成功" only once the rewritten names are on the disk.
    if (result == ScanResult::Rewritten && !FileFlushed(file->Flush())) {
        result = ScanResult::WriteFailed;
    }
    file->Close();
    FilterResult filters[kFilterCount];
    char dllPaths[kFilterCount][kMaxFilterPath];
    PlaceGameFilters(platform, path, filters, dllPaths);
    DescribeFilters(filters, dllPaths, g_filterLines, sizeof g_filterLines);
    ShowOutcome(platform, owner, result, filters);
}
