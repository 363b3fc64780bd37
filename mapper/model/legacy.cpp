#include "mapper/model/legacy.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "mapper/model/byte_reader.h"
#include "mapper/model/model_texts_sjis.h"
#include "common/shift_jis.h"

namespace {

constexpr uint32_t kPathSize = 260;
constexpr uint32_t kSignatureSize = 7;  // "Pamuro" and its zero byte
constexpr size_t kKeyArraySize = kMaxSets * 4;
constexpr int32_t kEnterKey = 13;
constexpr uint32_t kErrorTextSize = 1024;

// Where a layout keeps its fields. An input's array offset of 0 means the layout
// has no array for it.
struct LegacyLayout {
    const char* message;
    size_t highestIndexOffset;
    size_t namesOffset;
    size_t inputArrayOffsets[kFirstReleaseInputCount];  // by input number
};

// Release 1.0: no signature, buttons 1 to 4 only.
constexpr LegacyLayout kLayout10 = {
    kLegacy10Notice,
    0,
    4,
    // up, down, left, right, buttons 1 to 4, no buttons 5 to 8
    {21764, 22084, 22404, 22724, 20484, 20804, 21124, 21444, 0, 0, 0, 0},
};

// Release 1.2: the signature, two uninterpreted fields, eight buttons, and
// two trailing values that carry nothing over.
constexpr LegacyLayout kLayout12 = {
    kLegacy12Notice,
    12,
    16,
    // up, down, left, right, buttons 1 to 8
    {23056, 23376, 23696, 24016, 20496, 20816, 21136, 21456, 21776, 22096, 22416, 22736},
};

// The whole file, read once: room for the larger layout.
using LegacyBytes = uint8_t[kLegacy12FileSize];

// The path "<Windows directory>\Tolvin.dat" in a 260-byte buffer; false when
// the directory is unknown or the path does not fit.
bool BuildLegacyPath(LegacyPlatform& platform, char (&path)[kPathSize]) {
    char directory[kPathSize];
    const uint32_t length = platform.WindowsDirectory(directory, kPathSize);
    if (length == 0 || length >= kPathSize) {
        return false;
    }
    const int written = std::snprintf(path, kPathSize, "%s\\Tolvin.dat", directory);
    return written > 0 && static_cast<uint32_t>(written) < kPathSize;
}

// "<local application data>\VirtualStore<Windows directory without its
// drive>\Tolvin.dat": where Windows' file virtualization kept the file when
// the old release, without the right to write to the Windows directory,
// wrote it there.
bool BuildVirtualStorePath(LegacyPlatform& platform, char (&path)[kPathSize]) {
    char directory[kPathSize];
    char appData[kPathSize];
    const uint32_t length = platform.WindowsDirectory(directory, kPathSize);
    const uint32_t appLength = platform.LocalAppDataDirectory(appData, kPathSize);
    if (length < 2 || length >= kPathSize || directory[1] != ':' || appLength == 0 ||
        appLength >= kPathSize) {
        return false;
    }
    const int written =
        std::snprintf(path, kPathSize, "%s\\VirtualStore%s\\Tolvin.dat", appData, directory + 2);
    return written > 0 && static_cast<uint32_t>(written) < kPathSize;
}

// Opens the legacy file in the Windows directory, else its VirtualStore
// copy, and writes its path to `path`; nullptr when there is neither.
LegacyFile OpenLegacyFile(LegacyPlatform& platform, char (&path)[kPathSize], bool& redirected) {
    redirected = false;
    if (BuildLegacyPath(platform, path)) {
        if (LegacyFile file = platform.OpenForReading(path)) {
            return file;
        }
    }
    redirected = true;
    return BuildVirtualStorePath(platform, path) ? platform.OpenForReading(path) : nullptr;
}

// Reads until `size` bytes have arrived or the file ends. False on a read error.
bool ReadUpTo(LegacyPlatform& platform, LegacyFile file, uint8_t* buffer, uint32_t size,
              uint32_t& total) {
    total = 0;
    while (total < size) {
        uint32_t got = 0;
        if (!platform.Read(file, buffer + total, size - total, got)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    return true;
}

// The signature is compared as a zero-terminated text: the six letters match
// only when a zero byte follows them.
const LegacyLayout& LayoutOf(const ByteReader& file) {
    static const char kSignature[kSignatureSize] = "Pamuro";
    return file.Matches(0, kSignature, kSignatureSize) ? kLayout12 : kLayout10;
}

// Reads the signature, tells the user which data is converted, then reads the
// rest. Layout 1.0 starts its fields at offset 0, so the signature bytes
// already read stay at the start of the buffer as its first field bytes.
// False when there is nothing to convert: a read error or an empty file.
bool ReadLegacyFile(LegacyPlatform& platform, LegacyFile file, const char* from, LegacyBytes& bytes,
                    uint32_t& size, const LegacyLayout*& layout) {
    uint32_t head = 0;
    if (!ReadUpTo(platform, file, bytes, kSignatureSize, head) || head == 0) {
        return false;
    }
    layout = &LayoutOf(ByteReader(bytes, head));
    const char* notice = layout->message;
    char noticeWithNote[512];  // the notice and where the file came from
    if (from != nullptr) {
        char note[sizeof noticeWithNote];
        std::snprintf(note, sizeof note, kVirtualStoreLegacyNote, from);
        std::snprintf(noticeWithNote, sizeof noticeWithNote, "%s%s", layout->message, note);
        notice = noticeWithNote;
    }
    platform.ShowMessage(notice, kConvertCaption, false);
    uint32_t rest = 0;
    if (!ReadUpTo(platform, file, bytes + head, kLegacy12FileSize - head, rest)) {
        return false;
    }
    size = head + rest;
    return true;
}

// Below 1 becomes 2, not 0 or 1: every conversion yields at least three sets.
int32_t BoundHighestIndex(int32_t stored) {
    if (stored < 1) {
        return 2;
    }
    return stored > kMaxSets - 1 ? kMaxSets - 1 : stored;
}

// Each legacy set had one key per input: key index 1 becomes 0, the buttons
// that 1.0 lacks get the Enter key, and the inputs no legacy release knew
// (buttons 9 to 16, the right stick) get nothing. No legacy set fired rapidly.
void CopySet(const ByteReader& file, const LegacyLayout& layout, int set, KeySetTable& table) {
    const size_t field = layout.namesOffset + static_cast<size_t>(set) * kNameSize;
    char* name = table.Names[set];
    file.Text(field, kNameSize, name, kNameSize);
    // A field without a zero byte is cut to 255 bytes, but not inside a character.
    if (std::strlen(name) == kNameSize - 1 && file.Byte(field + kNameSize - 1) != 0) {
        name[ShiftJisCutLength(name, kNameSize, kNameSize - 1)] = '\0';
    }
    for (int input = 0; input < kInputCount; ++input) {
        const int32_t number = kInputs[input].Number;
        int32_t key = 0;
        if (number < kFirstReleaseInputCount) {
            const size_t array = layout.inputArrayOffsets[number];
            key = array != 0 ? file.Int32LE(array + static_cast<size_t>(set) * 4) : kEnterKey;
        }
        table.Keys[set][input][0].store(key);
        table.Keys[set][input][1].store(0);
        table.RapidFire[set][input].store(0);
    }
}

}  // namespace

static_assert(kLayout10.inputArrayOffsets[3] + kKeyArraySize == kLegacy10FileSize,
              "1.0 ends with the stick-right array");
static_assert(kLayout12.inputArrayOffsets[3] + kKeyArraySize + 5 == kLegacy12FileSize,
              "1.2 ends with the stick-right array and two values");

bool ConvertLegacyData(KeySetTable& table, LegacyPlatform& platform) {
    char path[kPathSize];
    bool redirected = false;
    LegacyFile file = OpenLegacyFile(platform, path, redirected);
    if (file == nullptr) {
        return false;
    }
    LegacyBytes fileBytes;
    uint32_t size = 0;
    const LegacyLayout* layout = nullptr;
    const bool read =
        ReadLegacyFile(platform, file, redirected ? path : nullptr, fileBytes, size, layout);
    platform.Close(file);
    if (!read) {
        return false;
    }

    const ByteReader bytes(fileBytes, size);
    const int32_t highest = BoundHighestIndex(bytes.Int32LE(layout->highestIndexOffset));
    table.SetKeyCount.store(highest);
    for (int set = 0; set <= highest; ++set) {
        CopySet(bytes, *layout, set, table);
    }
    return true;
}

bool LegacyDataStamp(LegacyPlatform& platform, char (&stamp)[kLegacyStampSize]) {
    char path[kPathSize];
    bool redirected = false;
    LegacyFile file = OpenLegacyFile(platform, path, redirected);
    if (file == nullptr) {
        return false;
    }
    uint64_t size = 0;
    uint64_t time = 0;
    const bool known = platform.SizeAndTime(file, size, time);
    platform.Close(file);
    if (known) {
        std::snprintf(stamp, sizeof stamp, "%llu,%016llX", static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(time));
    }
    return known;
}

// The file is looked for as the conversion did; a failure is shown with the
// system's text.
void DeleteLegacyData(LegacyPlatform& platform) {
    char path[kPathSize];
    bool redirected = false;
    LegacyFile file = OpenLegacyFile(platform, path, redirected);
    if (file == nullptr) {
        return;
    }
    platform.Close(file);
    uint32_t error = 0;
    if (platform.Delete(path, error)) {
        return;
    }
    char text[kErrorTextSize];
    if (!platform.ErrorText(error, text, kErrorTextSize)) {
        // Better a number than an empty box.
        std::snprintf(text, kErrorTextSize, "%lu", static_cast<unsigned long>(error));
    }
    platform.ShowMessage(text, nullptr, true);
}
