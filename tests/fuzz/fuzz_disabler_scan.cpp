// The buffered name scan of disabler against a plain byte-by-byte scan of
// the same bytes: the first input byte picks the chunk size, the rest is the
// file. Any difference in the result, the writes or the final bytes aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disabler/core/patch.h"
#include "tests/support/memory_patch_file.h"
#include "tests/support/plain_name_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // Chunk sizes 1 to 64, and the full 64 KiB for 0.
    size_t chunk = data[0] % 65 == 0 ? kScanChunkBytes : data[0] % 65;
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    MemoryPatchFile model(file);
    MemoryPatchFile real(file);
    ScanResult expected = PlainNameScan(model);
    ScanResult actual = RewriteJoystickNames(real, chunk);
    if (actual != expected || real.writes != model.writes || real.bytes() != model.bytes() ||
        real.wroteBeyondEnd || model.wroteBeyondEnd) {
        std::abort();
    }
    return 0;
}
