// Load and save of a full table (80 sets, 2,003 entries) through the
// project's own INI code: once against an in-memory file (the INI logic
// alone) and once against real files through the POSIX storage.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "mapper/model/settings.h"
#include "mapper/model/settings_storage.h"
#include "mapper/platform/posix/posix_settings_storage.h"

namespace {

class MemoryStorage : public SettingsStorage {
  public:
    std::string file;
    bool exists = false;

    FileReadResult ReadWholeFile(const char*, char* buffer, size_t capacity,
                                 size_t* size) override {
        if (!exists) {
            return FileReadResult::Missing;
        }
        if (file.size() > capacity) {
            return FileReadResult::TooLarge;
        }
        std::memcpy(buffer, file.data(), file.size());
        *size = file.size();
        return FileReadResult::Read;
    }
    bool ReplaceFile(const char*, const char* data, size_t size) override {
        file.assign(data, size);
        exists = true;
        return true;
    }
    bool CurrentDirectory(char* buffer, size_t capacity) override {
        std::snprintf(buffer, capacity, "C:\\Games");
        return true;
    }
    int ToAnsi(char16_t, char*) override { return 0; }
    char16_t ToWide(const char*, int) override { return 0; }
};

std::unique_ptr<KeySetTable> FullTable() {
    auto table = std::make_unique<KeySetTable>();
    ClearKeySetTable(*table);
    table->SetKeyCount = kMaxSets - 1;
    for (int set = 0; set < kMaxSets; ++set) {
        std::snprintf(table->Names[set], kNameSize, "Game number %d", set);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int key = 0; key < kKeysPerSlot; ++key) {
                table->Keys[set][slot][key] = 0x41 + (set + slot + key) % 26;
            }
        }
    }
    return table;
}

MapperOptions g_benchOptions;

// A save over the file an earlier save of the same table wrote: every entry
// is found and rewritten in place, the usual case at program exit.
void BM_SaveFullTableInMemory(benchmark::State& state) {
    MemoryStorage storage;
    FetchStartupDirectory(storage);
    const auto table = FullTable();
    SaveSettings(storage, *table, g_benchOptions);
    for (auto _ : state) {
        if (!SaveSettings(storage, *table, g_benchOptions)) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SaveFullTableInMemory)->Unit(benchmark::kMillisecond);

// The first save: every section and entry is new.
void BM_SaveFullTableFromNothing(benchmark::State& state) {
    MemoryStorage storage;
    FetchStartupDirectory(storage);
    const auto table = FullTable();
    for (auto _ : state) {
        storage.exists = false;
        if (!SaveSettings(storage, *table, g_benchOptions)) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SaveFullTableFromNothing)->Unit(benchmark::kMillisecond);

void BM_LoadFullTableInMemory(benchmark::State& state) {
    MemoryStorage storage;
    FetchStartupDirectory(storage);
    SaveSettings(storage, *FullTable(), g_benchOptions);
    auto table = std::make_unique<KeySetTable>();
    for (auto _ : state) {
        LoadSettings(false, storage, *table, g_benchOptions);
    }
    if (table->SetKeyCount != kMaxSets - 1) {
        state.SkipWithError("load lost sets");
    }
}
BENCHMARK(BM_LoadFullTableInMemory)->Unit(benchmark::kMillisecond);

// The same through real files in a scratch directory (fsync included).
void BM_SaveAndLoadFullTableOnDisk(benchmark::State& state) {
    char directory[] = "/tmp/pamuro-settings-bench-XXXXXX";
    if (mkdtemp(directory) == nullptr || chdir(directory) != 0) {
        state.SkipWithError("no scratch directory");
        return;
    }
    SettingsStorage& storage = PosixSettingsStorage();
    FetchStartupDirectory(storage);
    const auto table = FullTable();
    auto loaded = std::make_unique<KeySetTable>();
    for (auto _ : state) {
        SaveSettings(storage, *table, g_benchOptions);
        LoadSettings(false, storage, *loaded, g_benchOptions);
    }
    unlink((std::string(directory) + "/Top.ini").c_str());
    rmdir(directory);
}
BENCHMARK(BM_SaveAndLoadFullTableOnDisk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
