// The name scan of disabler: its edge cases on real files, and the
// buffered scan against a plain one-byte-at-a-time model of the
// scan, whatever the chunk size.
#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "disabler/core/patch.h"
#include "tests/support/memory_patch_file.h"
#include "tests/support/plain_name_scan.h"
#ifdef _WIN32
#include "disabler/platform/win32/win32_patch_platform.h"
#else
#include "disabler/platform/standalone/standalone_patch_platform.h"
#endif

using namespace std::string_literals;

namespace {

// The file backend of the build the tests run on.
PatchPlatform& FileBackend() {
#ifdef _WIN32
    return Win32PatchPlatform();
#else
    return StandalonePatchPlatform();
#endif
}

// The in-memory file, checked when it goes: nothing was written beyond its end.
class MemoryFile : public MemoryPatchFile {
  public:
    using MemoryPatchFile::MemoryPatchFile;
    ~MemoryFile() { EXPECT_FALSE(wroteBeyondEnd); }
};

const char* ResultName(ScanResult result) {
    switch (result) {
        case ScanResult::NoNameFound:
            return "NoNameFound";
        case ScanResult::Rewritten:
            return "Rewritten";
        case ScanResult::WriteFailed:
            return "WriteFailed";
        case ScanResult::ReadFailed:
            return "ReadFailed";
    }
    return "?";
}

// Unique to this process: ctest runs each test alone and the whole suite
// shuffled at the same time, and the two must not write one file.
std::string TempPath(const char* name) {
    static const std::string run =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    return ::testing::TempDir() + "disabler_scan_" + run + "_" + name;
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

// An empty file that stays sparse when written far past its end (Linux file
// systems do so by themselves; NTFS must be told).
void CreateSparseFile(const std::string& path) {
#ifdef _WIN32
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    CloseHandle(file);
#else
    WriteWholeFile(path, "");
#endif
}

// Runs the real scan on a real file holding `input` through this build's
// backend; returns the file's bytes afterwards.
std::string ScanRealFile(const std::string& input, size_t chunk, ScanResult& result) {
    std::string path = TempPath("case.bin");
    WriteWholeFile(path, input);
    PatchFile* file = FileBackend().OpenReadWrite(path.c_str());
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

// Mended: a size that can't be learnt, or a read that fails before the end,
// used to end the scan as if the file ended there. The scan stops there and
// says so, and never rewrites a name whose end it could not read.
TEST(DisablerScan, ReadFailureEndsTheScanAndIsReported) {
    const std::string input = "joyGetPos\0"s + std::string(100, 'x') + "joyGetPos\0xxjoyGetPosEx"s;
    const size_t secondName = 110;
    const size_t longNameTail = input.size() - 2;  // the "Ex" of the last name
    struct Case {
        const char* what;
        bool sizeFails;
        uint64_t readsFailFrom;
        size_t expectedWrites;
    };
    const Case cases[] = {
        {"size", true, UINT64_MAX, 0},
        {"first read", false, 0, 0},
        {"read between two names", false, secondName, 1},
        {"read inside a name, after its first eight bytes", false, longNameTail, 2},
    };
    for (const Case& test : cases) {
        for (size_t chunk : {size_t{1}, size_t{11}, kScanChunkBytes}) {
            MemoryFile file(input);
            file.sizeFails = test.sizeFails;
            file.readsFailFrom = test.readsFailFrom;
            EXPECT_STREQ(ResultName(RewriteJoystickNames(file, chunk)), "ReadFailed")
                << test.what << ", chunk " << chunk;
            EXPECT_EQ(file.writes.size(), test.expectedWrites) << test.what << ", chunk " << chunk;
        }
    }
}

// A file of `size` zero bytes holding a few pieces at given offsets, no
// bigger in memory than its pieces: offsets past 4 GiB without a 4 GiB file.
class SparseFile : public PatchFile {
  public:
    using Pieces = std::vector<std::pair<uint64_t, std::string>>;
    SparseFile(uint64_t size, Pieces pieces) : size_(size), pieces_(std::move(pieces)) {}

    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
        if (offset >= size_) {
            return 0;
        }
        size_t got = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
        char* bytes = static_cast<char*>(buffer);
        std::memset(bytes, 0, got);
        for (const auto& [start, piece] : pieces_) {  // later pieces (writes) win
            for (size_t i = 0; i < piece.size(); ++i) {
                if (start + i >= offset && start + i < offset + got) {
                    bytes[start + i - offset] = piece[i];
                }
            }
        }
        return got;
    }
    size_t WriteAt(uint64_t offset, const void* data, size_t count) override {
        pieces_.emplace_back(offset, std::string(static_cast<const char*>(data), count));
        writes.push_back(std::to_string(offset) + ":" + pieces_.back().second);
        return count;
    }
    bool QuerySize(uint64_t& size) override {
        size = size_;
        return true;
    }
    uint32_t Flush() override { return 0; }
    void Close() override {}

    std::vector<std::string> writes;  // "offset:bytes", in order

  private:
    uint64_t size_;
    Pieces pieces_;
};

TEST(DisablerScan, FilePastFourGiBIsScannedToItsEnd) {
    const uint64_t k4GiB = uint64_t{1} << 32;
    const uint64_t size = k4GiB + 2 * kScanChunkBytes + 20;
    SparseFile file(size, {{k4GiB - 5, "joyGetPosEx"},
                           {k4GiB + kScanChunkBytes - 3, "joyGetPos"},
                           {size - 9, "joyGetPos"}});
    EXPECT_STREQ(ResultName(RewriteJoystickNames(file)), "Rewritten");
    EXPECT_EQ(file.writes, (std::vector<std::string>{
                               std::to_string(k4GiB - 5) + ":midiInGetID",
                               std::to_string(k4GiB + kScanChunkBytes - 3) + ":mmioClose",
                               std::to_string(size - 9) + ":mmioClose",
                           }));
}

// This build's file backend positions with 64-bit offsets: bytes written
// across and past 4 GiB in a real file (sparse, so it takes no room) read
// back where they were written, and the size counts them.
TEST(DisablerScan, BackendPositionsPastFourGiB) {
    const uint64_t k4GiB = uint64_t{1} << 32;
    const uint64_t offsets[] = {
        k4GiB - 4,           // across the 4 GiB line
        k4GiB + 0x80000000,  // the low word's top bit set
        2 * k4GiB - 1,       // the low word all ones, SetFilePointer's error mark
    };
    std::string path = TempPath("sparse.bin");
    std::remove(path.c_str());
    CreateSparseFile(path);
    PatchFile* file = FileBackend().OpenReadWrite(path.c_str());
    ASSERT_NE(file, nullptr);
    for (uint64_t offset : offsets) {
        EXPECT_EQ(file->WriteAt(offset, "joyGetPos", 9), 9u) << offset;
    }
    uint64_t size = 0;
    EXPECT_TRUE(file->QuerySize(size));
    EXPECT_EQ(size, 2 * k4GiB - 1 + 9);
    for (uint64_t offset : offsets) {
        char bytes[10] = {};
        EXPECT_EQ(file->ReadAt(offset - 1, bytes, 10), 10u) << offset;
        EXPECT_EQ(std::string(bytes, 10), "\0joyGetPos"s) << offset;
    }
    char past;
    EXPECT_EQ(file->ReadAt(size, &past, 1), 0u);
    file->Close();
    std::remove(path.c_str());
}

TEST(DisablerScan, ReadsThroughChunksNotBytes) {
    MemoryFile file(std::string(1024 * 1024, 'j'));
    EXPECT_STREQ(ResultName(RewriteJoystickNames(file)), "NoNameFound");
    EXPECT_LE(file.reads, 1024 * 1024 / kScanChunkBytes + 2);
}

}  // namespace
