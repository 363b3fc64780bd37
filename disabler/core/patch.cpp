// DisableJoystick: backup, notice, scan, and the messages around them. Every
// outcome is told by a message box owned by the dialog; nothing is logged.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "common/flush_rule.h"
#include "disabler/core/direct_input.h"
#include "disabler/core/disabler_texts_sjis.h"
#include "disabler/core/patch.h"

namespace {

constexpr char kBackupSuffix[] = ".BAK";

// The longest path, ".BAK" and the terminator.
constexpr size_t kBackupPathSize = kMaxPathBytes + sizeof kBackupSuffix;

// The texts one run of DisableJoystick builds.
struct PatchTexts {
    // Always built in full, never cut.
    char backupPath[kBackupPathSize];
    // Room for either composed message with two paths of the longest length,
    // or for the success text with a line for each filter.
    char message[1024 + 2 * kBackupPathSize + kFilterCount * kMaxFilterPath];
    // The lines about the DirectInput filters.
    char filterLines[512 + kFilterCount * kMaxFilterPath];
};

// Forms "<path>.BAK"; false when the path is longer than a path field holds.
bool FormBackupPath(const char* path, char (&backupPath)[kBackupPathSize]) {
    size_t length = std::strlen(path);
    if (length > kMaxPathBytes) {
        return false;
    }
    std::memcpy(backupPath, path, length);
    std::memcpy(backupPath + length, kBackupSuffix, sizeof kBackupSuffix);
    return true;
}

// Joins `parts` into texts.message. The buffer is sized for the longest
// paths; should a part not fit anyway, the message is cut, never overrun.
const char* ComposeMessage(PatchTexts& texts, std::initializer_list<const char*> parts) {
    size_t used = 0;
    for (const char* part : parts) {
        size_t length = std::min(std::strlen(part), sizeof texts.message - 1 - used);
        std::memcpy(texts.message + used, part, length);
        used += length;
    }
    texts.message[used] = '\0';
    return texts.message;
}

// Copies every byte of `from` to `to`, then puts `to` on the disk; false
// when any step fails, a read that ends before the size included.
bool CopyContents(PatchFile& from, PatchFile& to) {
    uint64_t size = 0;
    if (!from.QuerySize(size)) {
        return false;
    }
    std::vector<unsigned char> buffer(kScanChunkBytes);
    for (uint64_t copied = 0; copied < size;) {
        size_t request = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - copied));
        size_t got = from.ReadAt(copied, buffer.data(), request);
        if (got == 0 || to.WriteAt(copied, buffer.data(), got) != got) {
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

// Copies the executable at `path` to a new file at `backupPath` and puts the
// copy on the disk before the executable is touched. A copy that fails part
// way is removed, so no truncated file is left looking like a backup; a file
// that was already at the backup path is never opened, let alone removed.
BackupResult MakeBackup(PatchPlatform& platform, const char* path, const char* backupPath) {
    PatchFile* source = platform.OpenRead(path);
    if (source == nullptr) {
        return BackupResult::Failed;
    }
    PatchFile* backup = platform.CreateNew(backupPath);
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
    return platform.Remove(backupPath) ? BackupResult::Failed : BackupResult::PartialLeft;
}

// A truncated backup that stays would look like a good one to the user and
// would stop every later try: it is named.
void ShowBackupFailure(PatchPlatform& platform, OwnerWindow owner, BackupResult result,
                       PatchTexts& texts) {
    const char* text = result == BackupResult::PartialLeft
                           ? ComposeMessage(texts, {kBackupError, kPartialBackupLeftBefore,
                                                    texts.backupPath, kPartialBackupLeftAfter})
                           : kBackupError;
    platform.ShowMessage(owner, text, texts.backupPath);
}

// The executable could not be opened for writing after its backup was made:
// the user must know that the backup exists, since it stops every later try.
void ShowOpenFailure(PatchPlatform& platform, OwnerWindow owner, const char* path,
                     PatchTexts& texts) {
    platform.ShowMessage(owner,
                         ComposeMessage(texts, {path, kOpenFailedBeforeBackup, texts.backupPath,
                                                kOpenFailedAfterBackup}),
                         nullptr);
}

// A scan that failed part way must never be reported as a success, nor as a
// file without names: names before the failure may have been rewritten.
void ShowPartlyRewritten(PatchPlatform& platform, OwnerWindow owner, const char* whileDoing,
                         PatchTexts& texts) {
    platform.ShowMessage(owner,
                         ComposeMessage(texts, {whileDoing, kPartlyRewrittenBeforeBackup,
                                                texts.backupPath, kPartlyRewrittenAfterBackup}),
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
                 const FilterResult filters[kFilterCount], PatchTexts& texts) {
    const bool anyFilter = texts.filterLines[0] != '\0';
    const char* caption = AnyFilterPlaced(filters) ? kSuccessCaption : nullptr;
    switch (result) {
        case ScanResult::Rewritten:
            platform.ShowMessage(
                owner,
                anyFilter ? ComposeMessage(texts, {kSuccess, "\r\n", texts.filterLines}) : kSuccess,
                kSuccessCaption);
            return;
        case ScanResult::NoNameFound:
            platform.ShowMessage(owner, anyFilter ? texts.filterLines : kNoNameFound, caption);
            return;
        case ScanResult::WriteFailed:
            ShowPartlyRewritten(platform, owner, kWhileWriting, texts);
            break;
        case ScanResult::ReadFailed:
            ShowPartlyRewritten(platform, owner, kWhileReading, texts);
            break;
    }
    if (anyFilter) {
        platform.ShowMessage(owner, texts.filterLines, caption);
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
    PatchTexts texts;
    if (!FormBackupPath(path, texts.backupPath)) {
        // Too long for any path field, so no backup can be made; the caption
        // shows the path itself, which the backup path cannot hold.
        platform.ShowMessage(owner, kBackupError, path);
        return;
    }
    const BackupResult backup = MakeBackup(platform, path, texts.backupPath);
    if (backup != BackupResult::Made) {
        ShowBackupFailure(platform, owner, backup, texts);
        return;
    }
    platform.ShowMessage(owner, kNotice, nullptr);
    PatchFile* file = platform.OpenReadWrite(path);
    if (file == nullptr) {
        ShowOpenFailure(platform, owner, path, texts);
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
    DescribeFilters(filters, dllPaths, texts.filterLines, sizeof texts.filterLines);
    ShowOutcome(platform, owner, result, filters, texts);
}
