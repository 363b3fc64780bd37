// The patch operation of disabler end to end on real files: backup, notice,
// scan and the message that tells the outcome, through a platform that uses
// this build's file backend and records every call. The expected texts are
// written here in UTF-8 and converted to Shift-JIS independently (iconv).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "disabler/core/direct_input.h"
#include "disabler/core/patch.h"
#include "disabler/platform/standalone/standalone_patch_platform.h"
#include "tests/support/sjis_convert.h"

using namespace std::string_literals;

namespace {

const std::string kBackupError = Sjis("バックアップファイルコピー中にエラーが発生しました");
const std::string kNotice = Sjis(
    "ジョイステイック無効化処理には多少時間がかかります。\n"
    "次のメッセージが表示されるまで気長にお待ち下さい。");
const std::string kSuccess =
    Sjis("ジョイステイック無効化処理を適用しました。\r\nゲームを起動して試して下さい。");
const std::string kSuccessCaption = Sjis("成功");
const std::string kNoNameFound =
    Sjis("このプログラムにはジョイステイック無効化処理を適用できませんでした");
constexpr const char* kNoCaption = "(none)";

std::string OpenFailure(const std::string& path) {
    return path +
           Sjis(
               "\r\nを書き込み用に開けませんでした。ゲームが起動中か、ファイルが読み取り専用の"
               "可能性があります。\r\nバックアップファイル ") +
           path + ".BAK" + Sjis(" は作成済みです。次に試す前に削除して下さい。");
}

// The message of a scan that failed part way; `whileDoing` says in what.
std::string PartlyRewritten(const std::string& whileDoing, const std::string& path) {
    return Sjis(whileDoing +
                "中にエラーが発生したため、ジョイステイック無効化処理を適用できません"
                "でした。\r\n実行ファイルは途中まで書き換えられている可能性があります。\r\n"
                "バックアップファイル ") +
           path + ".BAK" + Sjis(" から元に戻して下さい。");
}

// What goes wrong with one of the files the operation opens.
struct Faults {
    int readsBeforeFailure = -1;   // -1: reads never fail
    int writesBeforeFailure = -1;  // -1: writes never fail
    bool sizeFails = false;
    uint32_t flushError = 0;  // what Flush reports (Windows' numbering)
};

Faults ReadsFailAfter(int reads) {
    Faults faults;
    faults.readsBeforeFailure = reads;
    return faults;
}
Faults WritesFailAfter(int writes) {
    Faults faults;
    faults.writesBeforeFailure = writes;
    return faults;
}
Faults SizeFails() {
    Faults faults;
    faults.sizeFails = true;
    return faults;
}
Faults FlushFails(uint32_t error = 112) {  // ERROR_DISK_FULL
    Faults faults;
    faults.flushError = error;
    return faults;
}

// A file of this build's backend with `faults` injected; flushes and closes
// are recorded in `calls` under `name`.
class FaultyFile : public PatchFile {
  public:
    FaultyFile(PatchFile& real, std::string name, Faults faults, std::vector<std::string>& calls)
        : real_(real), name_(std::move(name)), faults_(faults), calls_(calls) {}
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        return Allowed(faults_.readsBeforeFailure) ? real_.ReadAt(offset, buffer, count) : 0;
    }
    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        return Allowed(faults_.writesBeforeFailure) ? real_.WriteAt(offset, data, count) : 0;
    }
    bool QuerySize(uint64_t& size) override { return !faults_.sizeFails && real_.QuerySize(size); }
    uint32_t Flush() override {
        calls_.push_back("flush " + name_);
        const uint32_t error = real_.Flush();
        return faults_.flushError != 0 ? faults_.flushError : error;
    }
    void Close() override {
        calls_.push_back("close " + name_);
        real_.Close();
    }

  private:
    static bool Allowed(int& before) { return before < 0 || before-- > 0; }

    PatchFile& real_;
    std::string name_;
    Faults faults_;
    std::vector<std::string>& calls_;
};

// This build's file backend, with every call recorded in order and faults
// injected by the role of the file: the executable read for its backup, the
// backup, the executable opened for the rewrite. Messages are recorded, not
// shown.
class RecordingPlatform : public PatchPlatform {
  public:
    PatchFile* OpenRead(const char* path) override {
        calls.push_back("open-read "s + path);
        return Wrap(StandalonePatchPlatform().OpenRead(path), path, sourceFaults);
    }
    PatchFile* CreateNew(const char* path) override {
        calls.push_back("create "s + path);
        return Wrap(StandalonePatchPlatform().CreateNew(path), path, backupFaults);
    }
    bool Remove(const char* path) override {
        calls.push_back("remove "s + path);
        return !removeFails && StandalonePatchPlatform().Remove(path);
    }
    bool MoveOver(const char* from, const char* to) override {
        calls.push_back("move "s + from + " " + to);
        return StandalonePatchPlatform().MoveOver(from, to);
    }
    // A filter as the tests carry it: its name and architecture, then the
    // version block's product string that marks disabler's own files.
    bool CarriedFilter(const char* name, bool x86_64, const void*& data, size_t& size) override {
        carried = Filter(name, x86_64);
        data = carried.data();
        size = carried.size();
        return true;
    }
    static std::string Filter(const std::string& name, bool x86_64) {
        return name + (x86_64 ? " x86_64 " : " i686 ") + kOwnMark;
    }
    static inline const std::string kOwnMark =
        "P\0r\0o\0d\0u\0c\0t\0N\0a\0m\0e\0\0\0\0\0P\0a\0m\0u\0r\0o\0\0\0"s;
    PatchFile* OpenReadWrite(const char* path) override {
        calls.push_back("open "s + path);
        return Wrap(StandalonePatchPlatform().OpenReadWrite(path), path, rewriteFaults);
    }
    void ShowMessage(OwnerWindow owner, const char* text, const char* caption) override {
        EXPECT_EQ(owner, kOwner);
        messages.push_back({text, caption != nullptr ? caption : kNoCaption});
        calls.push_back("message");
    }

    bool Called(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    static inline OwnerWindow const kOwner = reinterpret_cast<OwnerWindow>(0x1234);
    std::vector<std::string> calls;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    Faults sourceFaults, backupFaults, rewriteFaults;
    bool removeFails = false;
    std::string carried;

  private:
    PatchFile* Wrap(PatchFile* real, const char* path, Faults faults) {
        if (real == nullptr) {
            return nullptr;
        }
        files_.push_back(std::make_unique<FaultyFile>(*real, path, faults, calls));
        return files_.back().get();
    }

    std::vector<std::unique_ptr<FaultyFile>> files_;
};

using Messages = std::vector<std::pair<std::string, std::string>>;
const std::string kMissingFile = "(missing)";

class DisablerPatch : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = ::testing::TempDir() + "disabler_patch_XXXXXX";
        ASSERT_NE(mkdtemp(directory_.data()), nullptr);
        exe_ = directory_ + "/SHOOT.EXE";
        backup_ = exe_ + ".BAK";
    }
    void TearDown() override {
        std::remove((directory_ + "/dinput8.dll").c_str());
        std::remove((directory_ + "/dinput.dll").c_str());
        std::remove(backup_.c_str());
        std::remove(exe_.c_str());
        rmdir(directory_.c_str());
    }

    static void Write(const std::string& path, const std::string& bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    static std::string Read(const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return kMissingFile;
        }
        std::string bytes;
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            bytes.push_back(static_cast<char>(c));
        }
        std::fclose(file);
        return bytes;
    }

    std::string directory_, exe_, backup_;
    RecordingPlatform platform_;
};

const std::string kGame = "MZ\x90\0winmm.dll\0joyGetDevCapsA\0joyGetPosEx\0joyGetPos\0\xff"s;
const std::string kPatchedGame = "MZ\x90\0winmm.dll\0joyGetDevCapsA\0midiInGetID\0mmioClose\0\xff"s;

TEST_F(DisablerPatch, RewritesTheExecutableAfterItsBackup) {
    Write(exe_, kGame);
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    // The backup is on the disk before the notice, and so before the rewrite;
    // the game is read again for its DirectInput names after.
    EXPECT_EQ(platform_.calls,
              (std::vector<std::string>{"open-read " + exe_, "create " + backup_,
                                        "flush " + backup_, "close " + backup_, "close " + exe_,
                                        "message", "open " + exe_, "flush " + exe_, "close " + exe_,
                                        "open-read " + exe_, "close " + exe_, "message"}));
    EXPECT_EQ(platform_.messages, (Messages{{kNotice, kNoCaption}, {kSuccess, kSuccessCaption}}));
    EXPECT_EQ(Read(exe_), kPatchedGame);
    EXPECT_EQ(Read(backup_), kGame);
}

TEST_F(DisablerPatch, FileWithoutNamesStaysUnchangedAndBackupStays) {
    for (const std::string& bytes : {""s, "MZ JoyGetPos jjoyGetPos joyGetPo"s}) {
        Write(exe_, bytes);
        std::remove(backup_.c_str());
        platform_.messages.clear();
        DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
        EXPECT_EQ(platform_.messages,
                  (Messages{{kNotice, kNoCaption}, {kNoNameFound, kNoCaption}}));
        EXPECT_EQ(Read(exe_), bytes);
        EXPECT_EQ(Read(backup_), bytes);
    }
}

TEST_F(DisablerPatch, SecondRunStopsAtTheExistingBackup) {
    Write(exe_, kGame);
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    platform_.calls.clear();
    platform_.messages.clear();

    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.calls, (std::vector<std::string>{"open-read " + exe_, "create " + backup_,
                                                         "close " + exe_, "message"}));
    EXPECT_EQ(platform_.messages, (Messages{{kBackupError, backup_}}));
    EXPECT_EQ(Read(backup_), kGame) << "the backup was overwritten";
    EXPECT_EQ(Read(exe_), kPatchedGame);
}

TEST_F(DisablerPatch, CopyFailuresNameTheBackupPathInFull) {
    // A path of the longest length a path field holds: its backup path is
    // 263 bytes and shown whole, not cut to 260.
    std::string longest =
        directory_ + "/" + std::string(kMaxPathBytes - directory_.size() - 1, 'L');
    ASSERT_EQ(longest.size(), kMaxPathBytes);
    struct Case {
        const char* what;
        std::string path, caption;
    };
    const Case cases[] = {
        {"empty path", "", ".BAK"},
        {"missing executable", exe_, backup_},
        {"longest path, missing", longest, longest + ".BAK"},
        {"folder", directory_, directory_ + ".BAK"},
    };
    for (const Case& test : cases) {
        platform_.calls.clear();
        platform_.messages.clear();
        DisableJoystick(platform_, RecordingPlatform::kOwner, test.path.c_str());
        EXPECT_EQ(platform_.messages, (Messages{{kBackupError, test.caption}})) << test.what;
        EXPECT_FALSE(platform_.Called("open " + test.path))
            << test.what << ": went on after the copy failed";
        EXPECT_EQ(Read(test.caption), "(missing)") << test.what << ": a backup was left";
    }
}

TEST_F(DisablerPatch, OverlongPathIsRefusedWithoutCopying) {
    std::string overlong(kMaxPathBytes + 1, 'x');
    DisableJoystick(platform_, RecordingPlatform::kOwner, overlong.c_str());
    EXPECT_EQ(platform_.calls, (std::vector<std::string>{"message"}));
    EXPECT_EQ(platform_.messages, (Messages{{kBackupError, overlong}}));
}

// Mended: an executable that can't be opened for writing (here: another
// process holds it, as a running game does) used to end silently, leaving a
// backup that blocks every later try without the user knowing.
TEST_F(DisablerPatch, ExecutableInUseIsToldAndItsBackupNamed) {
    Write(exe_, kGame);
    int holder = open(exe_.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.messages,
              (Messages{{kNotice, kNoCaption}, {OpenFailure(exe_), kNoCaption}}));
    EXPECT_EQ(Read(backup_), kGame);
    EXPECT_EQ(Read(exe_), kGame);

    close(holder);
    platform_.messages.clear();
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.messages, (Messages{{kBackupError, backup_}}));
}

// Mended: a backup copy that failed part way used to stay behind, truncated
// yet looking like a backup, and stopped every later try. Whatever step
// fails, the partial backup is removed, the executable is never opened for
// the rewrite, and the next try copies afresh.
TEST_F(DisablerPatch, BackupThatFailsPartWayIsRemoved) {
    // Large enough for several copy buffers, with names at the end.
    const std::string game = std::string(3 * kScanChunkBytes + 100, 'x') + kGame;
    struct Case {
        const char* what;
        Faults source, backup;
    };
    const Case cases[] = {
        {"first write", {}, WritesFailAfter(0)},
        {"write after the first buffer", {}, WritesFailAfter(1)},
        {"read of the executable after the first buffer", ReadsFailAfter(1), {}},
        {"size of the executable", SizeFails(), {}},
        {"flush of the backup", {}, FlushFails()},
    };
    for (const Case& test : cases) {
        Write(exe_, game);
        platform_.calls.clear();
        platform_.messages.clear();
        platform_.sourceFaults = test.source;
        platform_.backupFaults = test.backup;
        DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
        EXPECT_EQ(platform_.messages, (Messages{{kBackupError, backup_}})) << test.what;
        EXPECT_EQ(Read(backup_), "(missing)") << test.what << ": a partial backup was left";
        EXPECT_FALSE(platform_.Called("open " + exe_)) << test.what;
        EXPECT_EQ(Read(exe_), game) << test.what;
    }
    platform_.sourceFaults = platform_.backupFaults = Faults{};
    platform_.messages.clear();
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.messages.back(), std::make_pair(kSuccess, kSuccessCaption));
    EXPECT_EQ(Read(backup_), game);

    // A partial backup that cannot be removed is named, so it is not taken
    // for a good one.
    std::remove(backup_.c_str());
    platform_.calls.clear();
    platform_.messages.clear();
    platform_.backupFaults = WritesFailAfter(1);
    platform_.removeFails = true;
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    ASSERT_EQ(platform_.messages.size(), 1u);
    EXPECT_EQ(platform_.messages[0].first,
              kBackupError + Sjis("\r\n途中までコピーしたバックアップファイル ") + backup_ +
                  Sjis(" を削除できませんでした。このファイルは使わずに削除して下さい。"));
    EXPECT_FALSE(platform_.Called("open " + exe_));
}

// Mended: a write that fails partway must never end in the success message,
// even after earlier names were rewritten; nor may a size that can't be
// learnt or a read that fails before the end, which used to end the scan as
// if the file ended there ("no name found", or success for the names before).
// Mended too: a flush that the volume cannot do used to turn a good patch
// into a failed write.
TEST_F(DisablerPatch, ScanFailuresAreToldNotReportedAsSuccess) {
    struct Case {
        const char* what;
        Faults faults;
        std::string whileDoing;
    };
    const Case cases[] = {
        {"first write", WritesFailAfter(0), "書き込み"},
        {"second write", WritesFailAfter(1), "書き込み"},
        {"size", SizeFails(), "読み込み"},
        {"first read", ReadsFailAfter(0), "読み込み"},
        {"flush after the rewrite", FlushFails(), "書き込み"},
        {"flush that the volume cannot do", FlushFails(1), ""},  // ERROR_INVALID_FUNCTION
        {"flush that the volume does not support", FlushFails(50), ""},
    };
    for (const Case& test : cases) {
        Write(exe_, kGame);
        std::remove(backup_.c_str());
        platform_.messages.clear();
        platform_.rewriteFaults = test.faults;
        platform_.backupFaults = test.whileDoing.empty() ? test.faults : Faults{};
        DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
        const auto outcome =
            test.whileDoing.empty()
                ? std::make_pair(kSuccess, kSuccessCaption)
                : std::make_pair(PartlyRewritten(test.whileDoing, exe_), std::string(kNoCaption));
        EXPECT_EQ(platform_.messages, (Messages{{kNotice, kNoCaption}, outcome})) << test.what;
        EXPECT_EQ(Read(backup_), kGame);
    }
}

// A game executable for `machine` (0x14C i686, 0x8664 x86_64) whose bytes
// hold `body`.
std::string PortableExecutable(uint16_t machine, const std::string& body) {
    std::string bytes = "MZ" + std::string(0x3A, '\0') + "\x40\0\0\0PE\0\0"s;
    bytes += static_cast<char>(machine & 0xFF);
    bytes += static_cast<char>(machine >> 8);
    return bytes + body;
}

std::string PlacedLine(const std::string& dll) {
    return Sjis("DirectInput のジョイスティックを隠す ") + dll + Sjis(" を置きました。");
}

// The filter of each DirectInput name the game holds, of the game's
// architecture; another program's file of that name is left as it was, an
// older filter of disabler's is replaced.
TEST_F(DisablerPatch, DirectInputGamesGetTheFiltersTheyName) {
    const std::string dinput8 = directory_ + "/dinput8.dll", dinput = directory_ + "/dinput.dll";
    const std::string foreign = "a graphics wrapper";
    const std::string wideDinput = "d\0i\0n\0p\0u\0t\0.\0D\0L\0L\0"s;
    struct Case {
        const char* what;
        std::string game, dinput8Before, dinput8After, dinputAfter;
        Messages messages;
    };
    const Case cases[] = {
        {"imports DINPUT8.dll, i686, with winmm joystick names",
         PortableExecutable(0x14C, "DINPUT8.dll\0"s + kGame),
         kMissingFile,
         RecordingPlatform::Filter("dinput8.dll", false),
         kMissingFile,
         {{kSuccess + "\r\n" + PlacedLine(dinput8), kSuccessCaption}}},
        {"loads dinput.dll by a wide name, x86_64",
         PortableExecutable(0x8664, wideDinput),
         kMissingFile,
         kMissingFile,
         RecordingPlatform::Filter("dinput.dll", true),
         {{PlacedLine(dinput), kSuccessCaption}}},
        {"both names, an older filter of disabler's there",
         PortableExecutable(0x8664, "dinput8.dll dinput.dll"),
         "old " + RecordingPlatform::kOwnMark,
         RecordingPlatform::Filter("dinput8.dll", true),
         RecordingPlatform::Filter("dinput.dll", true),
         {{PlacedLine(dinput8) + "\r\n" + PlacedLine(dinput), kSuccessCaption}}},
        {"another program's dinput8.dll there",
         PortableExecutable(0x14C, "dinput8.dll"),
         foreign,
         foreign,
         kMissingFile,
         {{dinput8 + Sjis(" は別のプログラムのファイルなので、置き換えませんでした。"),
           kNoCaption}}},
        {"names without a PE header",
         "MZ dinput8.dll",
         kMissingFile,
         kMissingFile,
         kMissingFile,
         {{kNoNameFound, kNoCaption}}},
    };
    for (const Case& test : cases) {
        std::remove(backup_.c_str());
        std::remove(dinput.c_str());
        std::remove(dinput8.c_str());
        if (test.dinput8Before != kMissingFile) {
            Write(dinput8, test.dinput8Before);
        }
        Write(exe_, test.game);
        platform_.messages.clear();
        DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
        platform_.messages.erase(platform_.messages.begin());  // the notice
        EXPECT_EQ(platform_.messages, test.messages) << test.what;
        EXPECT_EQ(Read(dinput8), test.dinput8After) << test.what;
        EXPECT_EQ(Read(dinput), test.dinputAfter) << test.what;
    }
}

// The undo puts the executable back from its backup and deletes disabler's
// own filters, and nothing else.
TEST_F(DisablerPatch, UndoPutsTheGameBackAndRemovesOnlyItsOwnFilters) {
    const std::string game = PortableExecutable(0x14C, "dinput8.dll dinput.dll"s + kGame);
    const std::string dinput8 = directory_ + "/dinput8.dll", dinput = directory_ + "/dinput.dll";
    Write(exe_, game);
    Write(dinput, "a mod's dinput.dll");
    DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    ASSERT_EQ(Read(dinput8), RecordingPlatform::Filter("dinput8.dll", false));
    ASSERT_NE(Read(exe_), game);

    platform_.messages.clear();
    UndoDisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.messages, (Messages{{Sjis("元に戻しました。"), kNoCaption}}));
    EXPECT_EQ(Read(exe_), game);
    EXPECT_EQ(Read(backup_), kMissingFile) << "a later run must be able to back up again";
    EXPECT_EQ(Read(dinput8), kMissingFile);
    EXPECT_EQ(Read(dinput), "a mod's dinput.dll");

    // No path: the current folder is not a game's.
    platform_.messages.clear();
    UndoDisableJoystick(platform_, RecordingPlatform::kOwner, "");
    EXPECT_EQ(platform_.messages,
              (Messages{{Sjis("元に戻すゲームの実行ファイルを指定して下さい。"), kNoCaption}}));

    // Nothing left to undo: said so the same way, nothing touched.
    platform_.messages.clear();
    UndoDisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
    EXPECT_EQ(platform_.messages, (Messages{{Sjis("元に戻しました。"), kNoCaption}}));
    EXPECT_EQ(Read(exe_), game);
    EXPECT_EQ(Read(dinput), "a mod's dinput.dll");
}

}  // namespace
