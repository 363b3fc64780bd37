// Save and load of a full table (80 sets, 3,283 entries): the project's own
// INI code through the Win32 storage against kernel32's private-profile
// functions (one call per entry), printed side by side. Not a test; run it by
// hand under Wine (or on Windows): settings_bench_windows.exe [rounds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "mapper/model/settings.h"
#include "mapper/platform/win32/win32_settings_storage.h"
#include "tests/wine/settings/kernel_settings.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

template <typename Action>
double TimeOf(Action action) {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    action();
    QueryPerformanceCounter(&to);
    return Milliseconds(from, to);
}

void FillTable(KeySetTable& table) {
    ClearKeySetTable(table);
    table.SetKeyCount = kMaxSets - 1;
    for (int set = 0; set < kMaxSets; ++set) {
        wsprintfA(table.Names[set], "Game number %d", set);
        for (int slot = 0; slot < kInputCount; ++slot) {
            for (int key = 0; key < kKeysPerInput; ++key) {
                table.Keys[set][slot][key] = 0x41 + (set + slot + key) % 26;
            }
        }
    }
}

std::string ScratchDirectory(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string directory =
        std::string(temp) + "pamuro-bench-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

struct Timings {
    double firstSave = 0;
    double resave = 0;
    double load = 0;
};

Timings TimeOwn(const std::string& directory, const KeySetTable& table, int rounds) {
    SetCurrentDirectoryA(directory.c_str());
    auto settings = std::make_unique<SettingsState>();
    FetchStartupDirectory(*settings, Win32SettingsStorage());
    auto loaded = std::make_unique<KeySetTable>();
    MapperOptions options;
    Timings timings;
    const std::string path = directory + "\\Top.ini";
    for (int round = 0; round < rounds; ++round) {
        DeleteFileA(path.c_str());
        timings.firstSave +=
            TimeOf([&] { SaveSettings(*settings, Win32SettingsStorage(), table, options); }) /
            rounds;
        timings.resave +=
            TimeOf([&] { SaveSettings(*settings, Win32SettingsStorage(), table, options); }) /
            rounds;
        timings.load +=
            TimeOf(
                [&] { LoadSettings(*settings, false, Win32SettingsStorage(), *loaded, options); }) /
            rounds;
    }
    DeleteFileA(path.c_str());
    return timings;
}

Timings TimeKernel(const std::string& directory, const KeySetTable& table) {
    auto loaded = std::make_unique<KeySetTable>();
    MapperOptions options;
    Timings timings;
    const std::string path = directory + "\\Top.ini";
    DeleteFileA(path.c_str());
    timings.firstSave = TimeOf([&] { KernelSave(path, table, options); });
    timings.resave = TimeOf([&] { KernelSave(path, table, options); });
    timings.load = TimeOf([&] { KernelLoad(path, *loaded, options); });
    DeleteFileA(path.c_str());
    return timings;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    auto table = std::make_unique<KeySetTable>();
    FillTable(*table);
    const Timings own = TimeOwn(ScratchDirectory("own"), *table, rounds < 1 ? 1 : rounds);
    const Timings kernel = TimeKernel(ScratchDirectory("kernel"), *table);
    std::printf("Full table, 80 sets, %d entries (ms)  %12s  %12s\n",
                3 + kMaxSets * (1 + kInputCount * kKeysPerInput), "own", "kernel32");
    std::printf("first save (no Top.ini yet)             %12.1f  %12.1f\n", own.firstSave,
                kernel.firstSave);
    std::printf("save over the previous save             %12.1f  %12.1f\n", own.resave,
                kernel.resave);
    std::printf("load                                    %12.1f  %12.1f\n", own.load, kernel.load);
    return 0;
}
