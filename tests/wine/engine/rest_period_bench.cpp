// How long the polling thread really rests for SetSleep 0, 1 and 5: the engine
// platform's rest beside plain Sleep, measured in the same run. Not a test;
// run it by hand under Wine (bench/rest_period_wine.sh) or on Windows:
// rest_period_bench_windows.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "mapper/platform/win32/win32_engine_platform.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

struct Spread {
    double mean, min, max;
};

template <typename Rest>
Spread Measure(int rounds, Rest rest) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> periods;
    for (int i = 0; i < rounds; ++i) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        rest();
        QueryPerformanceCounter(&to);
        periods.push_back(1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
                          static_cast<double>(frequency.QuadPart));
    }
    double sum = 0;
    for (double period : periods) {
        sum += period;
    }
    return {sum / rounds, *std::min_element(periods.begin(), periods.end()),
            *std::max_element(periods.begin(), periods.end())};
}

bool HighResolutionTimerOffered() {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_MODIFY_STATE | SYNCHRONIZE);
    if (timer == nullptr) {
        return false;
    }
    CloseHandle(timer);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::printf("high-resolution waitable timer offered: %s; %d rests each\n",
                HighResolutionTimerOffered() ? "yes" : "no", rounds);
    std::printf("%-10s %-30s %s\n", "SetSleep", "engine rest: mean (min..max)",
                "Sleep: mean (min..max)");
    Win32EnginePlatform platform;
    for (uint32_t ms : {0u, 1u, 5u}) {
        const Spread rest = Measure(rounds, [&] { platform.Rest(ms); });
        const Spread sleep = Measure(rounds, [&] { Sleep(ms); });
        std::printf("%-10u %.3f ms (%.3f..%.3f)%8s %.3f ms (%.3f..%.3f)\n", ms, rest.mean, rest.min,
                    rest.max, "", sleep.mean, sleep.min, sleep.max);
    }
    return 0;
}
