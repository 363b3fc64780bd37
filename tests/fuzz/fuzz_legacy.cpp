// Arbitrary bytes as Tolvin.dat: the conversion must neither crash nor read
// outside its buffer, and must leave a table that the rest of the program can
// trust.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mapper/model/legacy.h"
#include "tests/support/fake_legacy_platform.h"

namespace {

KeySetTable g_table;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClearKeySetTable(g_table);
    g_table.SetKeyCount.store(-1);
    // Reads come in pieces whose size depends on the input, and odd-sized
    // files cannot be deleted, so both paths get exercised.
    FakeLegacyPlatform platform;
    platform.record = false;
    platform.file.assign(reinterpret_cast<const char*>(data), size);
    platform.readChunk = static_cast<uint32_t>(size % 997 + 1);
    platform.deleteError = size % 2 == 0 ? 0 : 5;
    const bool converted = ConvertLegacyData(g_table, platform);
    if (converted) {
        DeleteLegacyData(platform);
    }

    for (const FakeLegacyPlatform::Message& message : platform.messages) {
        Check(!message.text.empty());
    }
    const int32_t highest = g_table.SetKeyCount.load();
    Check(converted == (size > 0));
    // A stored index below 1 becomes 2 and 1 stays 1: every conversion yields 2 to 80 sets.
    Check(converted ? highest >= 1 && highest <= kMaxSets - 1 : highest == -1);
    for (int set = 0; set <= highest; ++set) {
        Check(std::memchr(g_table.Names[set], 0, kNameSize) != nullptr);
        for (int slot = 0; slot < kInputCount; ++slot) {
            Check(g_table.Keys[set][slot][1].load() == 0);
        }
    }
    return 0;
}
