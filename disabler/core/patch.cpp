// DisableJoystick: backup, notice, scan, and the messages around them. Every
// outcome is told by a message box owned by the dialog; nothing is logged.
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "disabler/core/patch.h"

namespace {

// バックアップファイルコピー中にエラーが発生しました
const char kBackupError[] =
    "\x83o\x83\x62\x83N\x83\x41\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8b\x83R\x83s\x81[\x92\x86\x82"
    "\xc9\x83G\x83\x89\x81[\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// ジョイステイック無効化処理には多少時間がかかります。\n
// 次のメッセージが表示されるまで気長にお待ち下さい。
const char kNotice[] =
    "\x83W\x83\x87\x83\x43\x83X\x83\x65\x83\x43\x83\x62\x83N\x96\xb3\x8c\xf8\x89\xbb\x8f\x88\x97"
    "\x9d\x82\xc9\x82\xcd\x91\xbd\x8f\xad\x8e\x9e\x8a\xd4\x82\xaa\x82\xa9\x82\xa9\x82\xe8\x82\xdc"
    "\x82\xb7\x81\x42\x0a\x8e\x9f\x82\xcc\x83\x81\x83\x62\x83Z\x81[\x83W\x82\xaa\x95\x5c\x8e\xa6"
    "\x82\xb3\x82\xea\x82\xe9\x82\xdc\x82\xc5\x8b\x43\x92\xb7\x82\xc9\x82\xa8\x91\xd2\x82\xbf\x89"
    "\xba\x82\xb3\x82\xa2\x81\x42";
// ジョイステイック無効化処理を適用しました。\r\nゲームを起動して試して下さい。
const char kSuccess[] =
    "\x83W\x83\x87\x83\x43\x83X\x83\x65\x83\x43\x83\x62\x83N\x96\xb3\x8c\xf8\x89\xbb\x8f\x88\x97"
    "\x9d\x82\xf0\x93K\x97p\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\x0d\x0a\x83Q\x81[\x83\x80\x82"
    "\xf0\x8bN\x93\xae\x82\xb5\x82\xc4\x8e\x8e\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";
// 成功
const char kSuccessCaption[] = "\x90\xac\x8c\xf7";
// このプログラムにはジョイステイック無効化処理を適用できませんでした
const char kNoNameFound[] =
    "\x82\xb1\x82\xcc\x83v\x83\x8d\x83O\x83\x89\x83\x80\x82\xc9\x82\xcd\x83W\x83\x87\x83\x43\x83X"
    "\x83\x65\x83\x43\x83\x62\x83N\x96\xb3\x8c\xf8\x89\xbb\x8f\x88\x97\x9d\x82\xf0\x93K\x97p\x82"
    "\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd";

// "<path>\r\nを書き込み用に開けませんでした。ゲームが起動中か、ファイルが読み取り
// 専用の可能性があります。\r\nバックアップファイル <backup> は作成済みです。次に試す
// 前に削除して下さい。"
const char kOpenFailedBeforeBackup[] =
    "\x0d\x0a\x82\xf0\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x97p\x82\xc9\x8aJ\x82\xaf\x82\xdc\x82\xb9"
    "\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42\x83Q\x81[\x83\x80\x82\xaa\x8bN\x93\xae\x92\x86\x82"
    "\xa9\x81\x41\x83t\x83@\x83\x43\x83\x8b\x82\xaa\x93\xc7\x82\xdd\x8e\xe6\x82\xe8\x90\xea\x97p"
    "\x82\xcc\x89\xc2\x94\x5c\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42\x0d\x0a\x83"
    "o\x83\x62\x83N\x83\x41\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8b ";
const char kOpenFailedAfterBackup[] =
    " \x82\xcd\x8d\xec\x90\xac\x8d\xcf\x82\xdd\x82\xc5\x82\xb7\x81\x42\x8e\x9f\x82\xc9\x8e\x8e"
    "\x82\xb7\x91O\x82\xc9\x8d\xed\x8f\x9c\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";

// "<書き込み|読み込み>中にエラーが発生したため、ジョイステイック無効化処理を適用
// できませんでした。\r\n実行ファイルは途中まで書き換えられている可能性があります。
// \r\nバックアップファイル <backup> から元に戻して下さい。"
const char kWhileWriting[] = "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x92\x86\x82\xc9";  // 書き込み中に
const char kWhileReading[] = "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x92\x86\x82\xc9";  // 読み込み中に
const char kPartlyRewrittenBeforeBackup[] =
    "\x83G\x83\x89\x81[\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xbd\x82\xbd\x82\xdf\x81\x41\x83W"
    "\x83\x87\x83\x43\x83X\x83\x65\x83\x43\x83\x62\x83N\x96\xb3\x8c\xf8\x89\xbb\x8f\x88\x97\x9d"
    "\x82\xf0\x93K\x97p\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42"
    "\x0d\x0a\x8e\xc0\x8ds\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x93r\x92\x86\x82\xdc\x82\xc5\x8f"
    "\x91\x82\xab\x8a\xb7\x82\xa6\x82\xe7\x82\xea\x82\xc4\x82\xa2\x82\xe9\x89\xc2\x94\x5c\x90"
    "\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42\x0d\x0a\x83o\x83\x62\x83N\x83\x41\x83"
    "\x62\x83v\x83t\x83@\x83\x43\x83\x8b ";
const char kPartlyRewrittenAfterBackup[] =
    " \x82\xa9\x82\xe7\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";

constexpr char kBackupSuffix[] = ".BAK";

// The longest path, ".BAK" and the terminator: the backup path is always
// built in full, never cut.
char g_backupPath[kMaxPathBytes + sizeof kBackupSuffix];
// Room for either composed message with two paths of the longest length.
char g_message[1024 + 2 * sizeof g_backupPath];
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
    return to.Flush();
}

// Copies the executable at `path` to a new file at g_backupPath and puts the
// copy on the disk before the executable is touched. A copy that fails part
// way is removed, so no truncated file is left looking like a backup; a file
// that was already at the backup path is never opened, let alone removed.
bool MakeBackup(PatchPlatform& platform, const char* path) {
    PatchFile* source = platform.OpenRead(path);
    if (source == nullptr) {
        return false;
    }
    PatchFile* backup = platform.CreateNew(g_backupPath);
    if (backup == nullptr) {
        source->Close();
        return false;
    }
    bool copied = CopyContents(*source, *backup);
    backup->Close();
    source->Close();
    if (!copied) {
        platform.Remove(g_backupPath);
    }
    return copied;
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

void ShowScanOutcome(PatchPlatform& platform, OwnerWindow owner, ScanResult result) {
    switch (result) {
        case ScanResult::Rewritten:
            platform.ShowMessage(owner, kSuccess, kSuccessCaption);
            break;
        case ScanResult::NoNameFound:
            platform.ShowMessage(owner, kNoNameFound, nullptr);
            break;
        case ScanResult::WriteFailed:
            ShowPartlyRewritten(platform, owner, kWhileWriting);
            break;
        case ScanResult::ReadFailed:
            ShowPartlyRewritten(platform, owner, kWhileReading);
            break;
    }
}

}  // namespace

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
    if (!MakeBackup(platform, path)) {
        platform.ShowMessage(owner, kBackupError, g_backupPath);
        return;
    }
    platform.ShowMessage(owner, kNotice, nullptr);
    PatchFile* file = platform.OpenReadWrite(path);
    if (file == nullptr) {
        ShowOpenFailure(platform, owner, path);
        return;
    }
    ScanResult result = RewriteJoystickNames(*file);
    file->Close();
    ShowScanOutcome(platform, owner, result);
}
