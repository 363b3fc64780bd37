// Random Top.ini bytes through LoadSettings and SaveSettings, with the file in
// memory. Whatever the bytes, the table stays within its 80 sets, and what a
// save writes loads back as the same set count, key codes and options.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "mapper/model/settings.h"
#include "mapper/model/settings_storage.h"

namespace {

class MemoryStorage : public SettingsStorage {
  public:
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    char saved[kProfileFileCapacity];
    size_t savedSize = 0;
    bool useSaved = false;

    FileReadResult ReadWholeFile(const char*, char* buffer, size_t capacity,
                                 size_t* read) override {
        const char* source = useSaved ? saved : reinterpret_cast<const char*>(bytes);
        const size_t length = useSaved ? savedSize : size;
        if (length > capacity) {
            return FileReadResult::TooLarge;
        }
        if (length > 0) {
            std::memcpy(buffer, source, length);
        }
        *read = length;
        return FileReadResult::Read;
    }
    bool ReplaceFile(const char*, const char* data, size_t length) override {
        if (length > sizeof saved) {
            return false;
        }
        std::memcpy(saved, data, length);
        savedSize = length;
        useSaved = true;
        return true;
    }
    bool CurrentDirectory(char* buffer, size_t capacity) override {
        std::snprintf(buffer, capacity, "C:\\fuzz");
        return true;
    }
    // Knows one character, あ, so UTF-16 files take both paths.
    int ToAnsi(char16_t unit, char out[2]) override {
        if (unit != 0x3042) {
            return 0;
        }
        out[0] = '\x82';
        out[1] = '\xa0';
        return 2;
    }
    char16_t ToWide(const char* bytes, int count) override {
        return count == 2 && bytes[0] == '\x82' && bytes[1] == '\xa0' ? 0x3042 : 0;
    }
};

MemoryStorage g_storage;
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
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int key = 0; key < kKeysPerSlot; ++key) {
                Check(a.Keys[set][slot][key] == b.Keys[set][slot][key]);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_storage.bytes = data;
    g_storage.size = size;
    g_storage.useSaved = false;
    FetchStartupDirectory(g_storage);
    LoadSettings(false, g_storage, g_loaded, g_loadedOptions);
    CheckWithinTable(g_loaded);

    // A few edits the program can make before it saves.
    if (size > 0 && data[0] % 3 == 0) {
        NewSet(g_loaded);
    } else if (size > 0 && data[0] % 3 == 1) {
        DeleteSet(g_loaded);
    }
    CheckWithinTable(g_loaded);
    if (g_loaded.SetKeyCount >= 0) {
        g_loaded.Keys[g_loaded.SetKeyCount][kSlotCount - 1][1] = static_cast<int32_t>(size);
    }
    g_loadedOptions.SetSleep = static_cast<uint8_t>(size);

    if (!SaveSettings(g_storage, g_loaded, g_loadedOptions)) {
        return 0;  // refused (a UTF-16 file the code page cannot take back): nothing written
    }
    LoadSettings(false, g_storage, g_reloaded, g_reloadedOptions);
    CheckWithinTable(g_reloaded);
    CheckSameSets(g_loaded, g_reloaded);
    Check(g_reloadedOptions.KeyDownMode == g_loadedOptions.KeyDownMode);
    Check(g_reloadedOptions.SetSleep == g_loadedOptions.SetSleep);
    return 0;
}
