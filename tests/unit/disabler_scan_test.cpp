// The name scan of disabler: its edge cases on real files, and the
// buffered scan against a plain one-byte-at-a-time model of the
// scan, whatever the chunk size.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "disabler/core/patch.h"
#include "tests/support/plain_name_scan.h"

using namespace std::string_literals;

namespace {

// A file in memory that records every write and can be told to fail one.
class MemoryFile : public PatchFile {
  public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        ++reads;
        if (offset >= bytes_.size()) {
            return 0;
        }
        size_t got = std::min(count, bytes_.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes_.data() + offset, got);
        return got;
    }

    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        writes.push_back(std::to_string(offset) + ":" +
                         std::string(static_cast<const char*>(data), count));
        size_t allowed = writes.size() == failingWrite ? failingWriteKeeps : count;
        allowed = std::min(allowed, count);
        if (offset + allowed > bytes_.size()) {
            ADD_FAILURE() << "write beyond the end of the file at " << offset;
            return 0;
        }
        std::memcpy(&bytes_[offset], data, allowed);
        return allowed;
    }

    uint64_t Size() override { return bytes_.size(); }
    void Close() override { closed = true; }

    const std::string& bytes() const { return bytes_; }

    std::vector<std::string> writes;  // "offset:bytes", in order
    size_t reads = 0;
    size_t failingWrite = 0;       // 1-based number of the write that fails; 0 for none
    size_t failingWriteKeeps = 0;  // bytes that the failing write still transfers
    bool closed = false;

  private:
    std::string bytes_;
};

const char* ResultName(ScanResult result) {
    switch (result) {
        case ScanResult::NoNameFound:
            return "NoNameFound";
        case ScanResult::Rewritten:
            return "Rewritten";
        case ScanResult::WriteFailed:
            return "WriteFailed";
    }
    return "?";
}

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "disabler_scan_" + name;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot read " << path;
        return bytes;
    }
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}

// Runs the real scan on a real file holding `input` through this build's
// backend; returns the file's bytes afterwards.
std::string ScanRealFile(const std::string& input, size_t chunk, ScanResult& result) {
    std::string path = TempPath("case.bin");
    WriteWholeFile(path, input);
    PatchFile* file = SystemPatchPlatform().OpenReadWrite(path.c_str());
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    result = RewriteJoystickNames(*file, chunk);
    file->Close();
    std::string output = ReadWholeFile(path);
    std::remove(path.c_str());
    return output;
}

struct ScanCase {
    const char* what;
    std::string input;
    std::string expected;
    ScanResult result;
};

const ScanCase kScanCases[] = {
    {"import name with its zero byte", "\x01\x02joyGetPos\0\x03"s, "\x01\x02mmioClose\0\x03"s,
     ScanResult::Rewritten},
    {"longer name with its zero byte", "\x01joyGetPosEx\0\x7f"s, "\x01midiInGetID\0\x7f"s,
     ScanResult::Rewritten},
    {"several of both, each whole", "joyGetPosEx\0joyGetPos\0..joyGetPosEx\0joyGetPos\0"s,
     "midiInGetID\0mmioClose\0..midiInGetID\0mmioClose\0"s, ScanResult::Rewritten},
    {"adjacent names", "joyGetPosjoyGetPosExjoyGetPos", "mmioClosemidiInGetIDmmioClose",
     ScanResult::Rewritten},
    {"capitals never trigger", "JoyGetPos\0JOYGETPOS\0joygetpos\0"s,
     "JoyGetPos\0JOYGETPOS\0joygetpos\0"s, ScanResult::NoNameFound},
    {"a j right after a j is never tested", "jjoyGetPos\0"s, "jjoyGetPos\0"s,
     ScanResult::NoNameFound},
    {"a j two after a j is tested", "j.joyGetPos", "j.mmioClose", ScanResult::Rewritten},
    {"three j's: the third is tested", "jjjoyGetPos", "jjmmioClose", ScanResult::Rewritten},
    {"only the first eight bytes count", "joyGetPosition", "mmioCloseition", ScanResult::Rewritten},
    {"longer name then any byte", "joyGetPosEx!", "midiInGetID!", ScanResult::Rewritten},
    {"longer name, last bytes differ", "joyGetPosEy", "mmioCloseEy", ScanResult::Rewritten},
    {"file ends with the name", "MZjoyGetPos", "MZmmioClose", ScanResult::Rewritten},
    {"file ends with the longer name", "MZjoyGetPosEx", "MZmidiInGetID", ScanResult::Rewritten},
    {"file ends one short of the longer name", "joyGetPosE", "mmioCloseE", ScanResult::Rewritten},
    {"file ends one short of the name", "xxjoyGetPo", "xxjoyGetPo", ScanResult::NoNameFound},
    {"j as the last byte", "abcj", "abcj", ScanResult::NoNameFound},
    {"empty file", "", "", ScanResult::NoNameFound},
    {"no name at all", "MZ\x90\0\x03 winmm.dll joyGetDevCapsA"s,
     "MZ\x90\0\x03 winmm.dll joyGetDevCapsA"s, ScanResult::NoNameFound},
};

const size_t kChunkSizes[] = {1, 2, 3, 7, 10, 11, 12, 13, 64, kScanChunkBytes};

TEST(DisablerScan, EdgeCasesOnRealFiles) {
    for (const ScanCase& test : kScanCases) {
        for (size_t chunk : kChunkSizes) {
            ScanResult result = ScanResult::WriteFailed;
            std::string output = ScanRealFile(test.input, chunk, result);
            EXPECT_EQ(output, test.expected) << test.what << ", chunk " << chunk;
            EXPECT_EQ(output.size(), test.input.size()) << test.what << ", chunk " << chunk;
            EXPECT_STREQ(ResultName(result), ResultName(test.result))
                << test.what << ", chunk " << chunk;
        }
    }
}

// Bytes dense in j's and in pieces of both names, so that names straddle
// chunk boundaries and j's fall on a chunk's last byte in every way.
std::string DenseInput(std::mt19937& random, size_t length) {
    static const char* const kPieces[] = {
        "j",          "jj",       "joyGetPos",   "joyGetPosEx", "joyGetPo", "joyGetPosE",
        "oyGetPosEx", "oyGetPos", "GetPos",      "Ex",          "o",        "y",
        "J",          "\0",       "midiInGetID", "mmioClose",   "x",
    };
    std::string bytes;
    std::uniform_int_distribution<size_t> pick(0, std::size(kPieces));
    while (bytes.size() < length) {
        size_t index = pick(random);
        if (index == std::size(kPieces)) {
            bytes.push_back(static_cast<char>(random() & 0xFF));
        } else if (kPieces[index][0] == '\0') {
            bytes.push_back('\0');
        } else {
            bytes += kPieces[index];
        }
    }
    bytes.resize(length);
    return bytes;
}

void ExpectSameAsModel(const std::string& input, size_t chunk, const std::string& label) {
    MemoryFile model(input);
    MemoryFile real(input);
    ScanResult modelResult = PlainNameScan(model);
    ScanResult realResult = RewriteJoystickNames(real, chunk);
    ASSERT_EQ(real.bytes(), model.bytes()) << label << ", chunk " << chunk;
    ASSERT_EQ(real.writes, model.writes) << label << ", chunk " << chunk;
    ASSERT_STREQ(ResultName(realResult), ResultName(modelResult)) << label << ", chunk " << chunk;
}

TEST(DisablerScan, BufferedScanMatchesByteByByteScan) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        std::string input = DenseInput(random, random() % 160);
        for (size_t chunk : kChunkSizes) {
            ExpectSameAsModel(input, chunk, "round " + std::to_string(round));
        }
    }
}

TEST(DisablerScan, BufferedScanMatchesAcrossFullSizeChunks) {
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        std::string input = DenseInput(random, 3 * kScanChunkBytes + random() % 100);
        // Names across both boundaries of the second chunk.
        input.replace(kScanChunkBytes - 5, 11, "joyGetPosEx");
        input.replace(2 * kScanChunkBytes - 1, 9, "joyGetPos");
        ExpectSameAsModel(input, kScanChunkBytes, "large round " + std::to_string(round));
    }
}

TEST(DisablerScan, WriteFailureEndsTheScanAndIsReported) {
    struct Case {
        size_t failingWrite, keeps;
        size_t expectedWrites;
    };
    const Case cases[] = {{1, 0, 1}, {1, 5, 1}, {2, 10, 2}, {3, 8, 3}};
    for (const Case& test : cases) {
        for (size_t chunk : {size_t{1}, size_t{11}, kScanChunkBytes}) {
            MemoryFile file("joyGetPos\0joyGetPosEx\0joyGetPos\0joyGetPos\0"s);
            file.failingWrite = test.failingWrite;
            file.failingWriteKeeps = test.keeps;
            EXPECT_STREQ(ResultName(RewriteJoystickNames(file, chunk)), "WriteFailed")
                << "write " << test.failingWrite << " fails, chunk " << chunk;
            EXPECT_EQ(file.writes.size(), test.expectedWrites) << "the scan went on after it";
        }
    }
}

TEST(DisablerScan, ReadsThroughChunksNotBytes) {
    MemoryFile file(std::string(1024 * 1024, 'j'));
    EXPECT_STREQ(ResultName(RewriteJoystickNames(file)), "NoNameFound");
    EXPECT_LE(file.reads, 1024 * 1024 / kScanChunkBytes + 2);
}

}  // namespace
