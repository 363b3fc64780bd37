// Random Top.ini bytes through LoadSettings and SaveSettings, with the file in
// memory. Whatever the bytes, the table stays within its 80 sets; what a save
// writes is never over the size limit and loads back as the same set count,
// key codes and options; a refused save leaves the file as it was.
//
// Inputs that start with the byte 1 are a structured mode that reaches the
// limits: the two bytes after it, little-endian, say how far below 1 MiB the
// file ends, and the rest is repeated to that length (a file full of sections
// from a seed like "[S]\n", or one that the save pushes over the limit).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "mapper/model/settings.h"
#include "mapper/model/settings_storage.h"
#include "tests/support/memory_settings_storage.h"

namespace {

MemorySettingsStorage g_storage;
SettingsState g_fuzzSettings;
uint8_t g_expanded[kMaxProfileFileBytes];
KeySetTable g_loaded;
KeySetTable g_reloaded;
MapperOptions g_loadedOptions;
MapperOptions g_reloadedOptions;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckWithinTable(const KeySetTable& table) {
    Check(table.SetKeyCount >= -1 && table.SetKeyCount <= kMaxSets - 1);
    for (int set = 0; set < kMaxSets; ++set) {
        Check(std::memchr(table.Names[set], '\0', kNameSize) != nullptr);
    }
}

void CheckSameSets(const KeySetTable& a, const KeySetTable& b) {
    Check(a.SetKeyCount == b.SetKeyCount);
    for (int set = 0; set <= a.SetKeyCount; ++set) {
        for (int slot = 0; slot < kInputCount; ++slot) {
            for (int key = 0; key < kKeysPerInput; ++key) {
                Check(a.Keys[set][slot][key] == b.Keys[set][slot][key]);
            }
        }
    }
}

// The structured mode: the pattern after the three leading bytes, repeated.
size_t Expand(const uint8_t* data, size_t size) {
    const size_t below = data[1] | (data[2] << 8);
    const size_t length = kMaxProfileFileBytes - below;
    const uint8_t* pattern = data + 3;
    const size_t patternSize = size - 3;
    for (size_t at = 0; at < length; at += patternSize) {
        std::memcpy(g_expanded + at, pattern,
                    length - at < patternSize ? length - at : patternSize);
    }
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 3 && data[0] == 1) {
        size = Expand(data, size);
        data = g_expanded;
    }
    g_storage.record = false;
    g_storage.directory = u"C:\\fuzz";
    g_storage.exists = true;
    g_storage.file.assign(reinterpret_cast<const char*>(data), size);
    g_storage.replacements = 0;
    FetchStartupDirectory(g_fuzzSettings, g_storage);
    LoadSettings(g_fuzzSettings, false, g_storage, g_loaded, g_loadedOptions);
    CheckWithinTable(g_loaded);

    // A few edits the program can make before it saves.
    if (size > 0 && data[0] % 3 == 0) {
        NewSet(g_loaded);
    } else if (size > 0 && data[0] % 3 == 1) {
        DeleteSet(g_loaded);
    }
    CheckWithinTable(g_loaded);
    if (g_loaded.SetKeyCount >= 0) {
        g_loaded.Keys[g_loaded.SetKeyCount][kInputCount - 1][1] = static_cast<int32_t>(size);
    }
    g_loadedOptions.SetSleep = static_cast<uint8_t>(size);

    if (!SaveSettings(g_fuzzSettings, g_storage, g_loaded, g_loadedOptions)) {
        // Refused (too large, or a UTF-16 file the code page cannot take
        // back): nothing written.
        Check(g_storage.replacements == 0 && SettingsProblem(g_fuzzSettings) != nullptr);
        return 0;
    }
    Check(g_storage.file.size() <= kMaxProfileFileBytes);
    LoadSettings(g_fuzzSettings, false, g_storage, g_reloaded, g_reloadedOptions);
    CheckWithinTable(g_reloaded);
    CheckSameSets(g_loaded, g_reloaded);
    Check(g_reloadedOptions.KeyDownMode == g_loadedOptions.KeyDownMode);
    Check(g_reloadedOptions.SetSleep == g_loadedOptions.SetSleep);
    return 0;
}
