// Load and save of a full table (80 sets, 3,283 entries) through the
// project's own INI code: against an in-memory Top.ini (the INI logic alone),
// alone and inside a file of 1 MiB with other content, and against real files
// through the POSIX storage. Each figure has its baseline beside it, measured
// in the same run: a plain copy of the same file bytes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "mapper/model/settings.h"
#include "mapper/platform/standalone/standalone_settings_storage.h"
#include "tests/support/memory_settings_storage.h"

namespace {

std::unique_ptr<KeySetTable> FullTable() {
    auto table = std::make_unique<KeySetTable>();
    ClearKeySetTable(*table);
    table->SetKeyCount = kMaxSets - 1;
    for (int set = 0; set < kMaxSets; ++set) {
        std::snprintf(table->Names[set], kNameSize, "Game number %d", set);
        for (int slot = 0; slot < kInputCount; ++slot) {
            for (int key = 0; key < kKeysPerInput; ++key) {
                table->Keys[set][slot][key] = 0x41 + (set + slot + key) % 26;
            }
        }
    }
    return table;
}

MapperOptions g_benchOptions;

// What a save of the full table writes over `before`.
std::string SavedOver(const std::string& before) {
    MemorySettingsStorage storage;
    storage.record = false;
    storage.exists = !before.empty();
    storage.file = before;
    auto state = std::make_unique<SettingsState>();
    FetchStartupDirectory(*state, storage);
    SaveSettings(*state, storage, *FullTable(), g_benchOptions);
    return storage.file;
}

// Other sections around the table's, to 1 MiB in all after the save.
std::string LargeFile() {
    const size_t tableBytes = SavedOver("").size();
    std::string other;
    for (int i = 0; other.size() + tableBytes + 64 < kMaxProfileFileBytes; ++i) {
        other += "[Other" + std::to_string(i) + "]\r\nname=some value " + std::to_string(i) +
                 "\r\n; a comment line\r\ncount=" + std::to_string(i * 7) + "\r\n";
    }
    return SavedOver(other);
}

// The key section's first line is one name without '=' of nearly 1 MiB:
// every new key of the section goes after it.
std::string LongLineBefore() {
    const size_t tableBytes = SavedOver("").size();
    return "[KEYSET]\r\n" + std::string(kMaxProfileFileBytes - tableBytes - 64, 'x') + "\r\n";
}

const std::string& FileOf(int64_t kind) {
    static const std::string full = SavedOver("");
    static const std::string large = LargeFile();
    static const std::string longLine = SavedOver(LongLineBefore());
    return kind == 0 ? full : kind == 1 ? large : longLine;
}

const char* NameOf(int64_t kind) {
    return kind == 0 ? "full table alone" : kind == 1 ? "full table in 1 MiB" : "after a 1 MB line";
}

struct Bench {
    MemorySettingsStorage storage;
    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<KeySetTable> table = FullTable();

    explicit Bench(const std::string& file) {
        storage.record = false;
        storage.exists = true;
        storage.file = file;
        FetchStartupDirectory(*state, storage);
    }
};

// The baseline: one copy of the file's bytes, as the storage's read does.
void BM_CopyFileBytes(benchmark::State& state) {
    const std::string& file = FileOf(state.range(0));
    std::unique_ptr<char[]> buffer(new char[file.size()]);
    for (auto _ : state) {
        std::memcpy(buffer.get(), file.data(), file.size());
        benchmark::ClobberMemory();
    }
    state.SetLabel(NameOf(state.range(0)));
}
BENCHMARK(BM_CopyFileBytes)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_LoadInMemory(benchmark::State& state) {
    Bench bench(FileOf(state.range(0)));
    for (auto _ : state) {
        LoadSettings(*bench.state, false, bench.storage, *bench.table, g_benchOptions);
    }
    if (bench.table->SetKeyCount != kMaxSets - 1) {
        state.SkipWithError("load lost sets");
    }
    state.SetLabel(NameOf(state.range(0)));
}
BENCHMARK(BM_LoadInMemory)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A save over the file an earlier save of the same table wrote: every entry
// is found and rewritten in place, the usual case at program exit.
void BM_SaveInMemory(benchmark::State& state) {
    Bench bench(FileOf(state.range(0)));
    for (auto _ : state) {
        if (!SaveSettings(*bench.state, bench.storage, *bench.table, g_benchOptions)) {
            state.SkipWithError("save failed");
        }
    }
    if (bench.storage.file != FileOf(state.range(0))) {
        state.SkipWithError("the save changed the file");
    }
    state.SetLabel(NameOf(state.range(0)));
}
BENCHMARK(BM_SaveInMemory)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The first save beside the 1 MB line: all 3,200 keys of the section are new
// and go after it. The file is put back before each save, a copy of 1 MiB
// that BM_CopyFileBytes/2 measures.
void BM_SaveNewKeysAfterLongLine(benchmark::State& state) {
    const std::string before = LongLineBefore();
    Bench bench(before);
    for (auto _ : state) {
        bench.storage.file = before;
        if (!SaveSettings(*bench.state, bench.storage, *bench.table, g_benchOptions)) {
            state.SkipWithError("save failed");
        }
    }
    if (bench.storage.file != FileOf(2)) {
        state.SkipWithError("the save wrote another file");
    }
}
BENCHMARK(BM_SaveNewKeysAfterLongLine)->Unit(benchmark::kMicrosecond);

// The first save: every section and entry is new.
void BM_SaveFromNothingInMemory(benchmark::State& state) {
    Bench bench("");
    for (auto _ : state) {
        bench.storage.exists = false;
        if (!SaveSettings(*bench.state, bench.storage, *bench.table, g_benchOptions)) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SaveFromNothingInMemory)->Unit(benchmark::kMicrosecond);

// The same through real files in a scratch directory (fsync included).
void BM_SaveAndLoadOnDisk(benchmark::State& state) {
    char directory[] = "/tmp/pamuro-settings-bench-XXXXXX";
    char previous[4096];
    if (mkdtemp(directory) == nullptr || getcwd(previous, sizeof previous) == nullptr ||
        chdir(directory) != 0) {
        state.SkipWithError("no scratch directory");
        return;
    }
    SettingsStorage& storage = StandaloneSettingsStorage();
    auto settings = std::make_unique<SettingsState>();
    FetchStartupDirectory(*settings, storage);
    if (chdir(previous) != 0) {
        state.SkipWithError("cannot go back");
    }
    const auto table = FullTable();
    auto loaded = std::make_unique<KeySetTable>();
    for (auto _ : state) {
        SaveSettings(*settings, storage, *table, g_benchOptions);
        LoadSettings(*settings, false, storage, *loaded, g_benchOptions);
    }
    unlink((std::string(directory) + "/Top.ini").c_str());
    rmdir(directory);
}
BENCHMARK(BM_SaveAndLoadOnDisk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
