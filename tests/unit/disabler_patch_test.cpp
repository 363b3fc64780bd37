// The patch operation of disabler end to end on real files: backup, notice,
// scan and the message that tells the outcome, through a platform that uses
// this build's file backend and records every call. The expected texts are
// written here in UTF-8 and converted to Shift-JIS independently (iconv).
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "disabler/core/patch.h"

using namespace std::string_literals;

namespace {

std::string Sjis(const std::string& utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPointer = out.data();
    size_t outLeft = out.size();
    EXPECT_NE(iconv(converter, &in, &inLeft, &outPointer, &outLeft), static_cast<size_t>(-1));
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

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

std::string WriteFailure(const std::string& path) {
    return Sjis(
               "書き込み中にエラーが発生したため、ジョイステイック無効化処理を適用できません"
               "でした。\r\n実行ファイルは途中まで書き換えられている可能性があります。\r\n"
               "バックアップファイル ") +
           path + ".BAK" + Sjis(" から元に戻して下さい。");
}

// A file whose writes all fail after `keeps` bytes of the first.
class FailingWriteFile : public PatchFile {
  public:
    explicit FailingWriteFile(PatchFile& real) : real_(real) {}
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        return real_.ReadAt(offset, buffer, count);
    }
    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        return writesBeforeFailure_-- > 0 ? real_.WriteAt(offset, data, count) : 0;
    }
    uint64_t Size() override { return real_.Size(); }
    void Close() override { real_.Close(); }
    void FailAfter(int writes) { writesBeforeFailure_ = writes; }

  private:
    PatchFile& real_;
    int writesBeforeFailure_ = 0;
};

// This build's file backend, with every call recorded in order. Messages are
// recorded, not shown.
class RecordingPlatform : public PatchPlatform {
  public:
    bool CopyNoOverwrite(const char* source, const char* destination) override {
        calls.push_back("copy "s + source + " -> " + destination);
        return SystemPatchPlatform().CopyNoOverwrite(source, destination);
    }
    PatchFile* OpenReadWrite(const char* path) override {
        calls.push_back("open "s + path);
        PatchFile* file = SystemPatchPlatform().OpenReadWrite(path);
        if (file == nullptr || failWritesAfter < 0) {
            return file;
        }
        failing_ = std::make_unique<FailingWriteFile>(*file);
        failing_->FailAfter(failWritesAfter);
        return failing_.get();
    }
    void ShowMessage(OwnerWindow owner, const char* text, const char* caption) override {
        EXPECT_EQ(owner, kOwner);
        messages.push_back({text, caption != nullptr ? caption : kNoCaption});
        calls.push_back("message");
    }

    static inline OwnerWindow const kOwner = reinterpret_cast<OwnerWindow>(0x1234);
    std::vector<std::string> calls;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    int failWritesAfter = -1;                                   // -1: writes never fail

  private:
    std::unique_ptr<FailingWriteFile> failing_;
};

using Messages = std::vector<std::pair<std::string, std::string>>;

class DisablerPatch : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = ::testing::TempDir() + "disabler_patch_XXXXXX";
        ASSERT_NE(mkdtemp(directory_.data()), nullptr);
        exe_ = directory_ + "/SHOOT.EXE";
        backup_ = exe_ + ".BAK";
    }
    void TearDown() override {
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
            return "(missing)";
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
    EXPECT_EQ(platform_.calls, (std::vector<std::string>{"copy " + exe_ + " -> " + backup_,
                                                         "message", "open " + exe_, "message"}));
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
    EXPECT_EQ(platform_.calls,
              (std::vector<std::string>{"copy " + exe_ + " -> " + backup_, "message"}));
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
        EXPECT_EQ(platform_.calls.size(), 2u) << test.what << ": went on after the copy failed";
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

// Mended: a write that fails partway must never end in the success message,
// even after earlier names were rewritten.
TEST_F(DisablerPatch, FailedWriteIsToldNotReportedAsSuccess) {
    for (int writesBeforeFailure : {0, 1}) {
        Write(exe_, kGame);
        std::remove(backup_.c_str());
        platform_.messages.clear();
        platform_.failWritesAfter = writesBeforeFailure;
        DisableJoystick(platform_, RecordingPlatform::kOwner, exe_.c_str());
        EXPECT_EQ(platform_.messages,
                  (Messages{{kNotice, kNoCaption}, {WriteFailure(exe_), kNoCaption}}))
            << writesBeforeFailure << " writes before the failure";
        EXPECT_EQ(Read(backup_), kGame);
    }
}

}  // namespace
