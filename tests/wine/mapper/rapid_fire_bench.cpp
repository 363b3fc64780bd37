// The rates the game sees for rapid fire ("連射") at 5, 15 and 30 presses a
// second: buttons 1 to 3 of the test pad, each held in turn, with the key
// logger as the game. Not a test; run it by hand under Wine
// (bench/rapid_fire_wine.sh) or on Windows, with the test winmm.dll,
// key_logger.exe and mapper.exe beside it:
// rapid_fire_bench_windows.exe [seconds held] [SetSleep]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/wine/mapper/mapper_driver.h"

namespace {

constexpr int kRates[] = {5, 15, 30};

// Buttons 1 to 3 send A, B and C at the rates above.
std::string TopIni(int sleep) {
    std::string text =
        "[PAMURO]\r\nSETKEYCOUNT=0\r\n[KEYSETNAME]\r\nKEYSETNAME 0=bench\r\n"
        "[KEYSET]\r\nKEYSET 0- 4- 0=65\r\nKEYSET 0- 5- 0=66\r\nKEYSET 0- 6- 0=67\r\n"
        "[SETTING]\r\nSetKeyDownMode=1\r\nSetSleep=" +
        std::to_string(sleep) + "\r\n[TURBO]\r\n";
    char line[32];
    for (int button = 0; button < 3; ++button) {
        std::snprintf(line, sizeof line, "TURBO 0-%2d=%d\r\n", 4 + button, kRates[button]);
        text += line;
    }
    return text;
}

struct Phases {
    double shortest = 1e9, longest = 0, sum = 0;
    int count = 0;
    void Add(double ms) {
        shortest = std::min(shortest, ms);
        longest = std::max(longest, ms);
        sum += ms;
        ++count;
    }
    double Mean() const { return count > 0 ? sum / count : 0; }
};

// Holds `button` for `seconds`, lets go, and prints the rate of the key-downs
// that arrived (presses after the first over the time from the first to the
// last) and the lengths of the down and up phases between them.
void MeasureRate(TestJoystick* stick, KeyLog* log, int button, int rate, double seconds) {
    ResetKeyLog(log);
    stick->Buttons = 1 << button;
    Sleep(static_cast<DWORD>(1000 * seconds));
    stick->Buttons = 0;
    Sleep(200);  // the last key-up, if the release came in a down phase
    const LONG logged = log->Count;
    const LONG count = std::min(logged, kKeyLogCapacity);
    Phases down, up;
    int presses = 0;
    LONG first = 0, last = 0;
    for (LONG i = 0; i < count; ++i) {
        const KeyLogEntry& entry = log->Entries[i];
        if (entry.Message == WM_KEYDOWN) {
            first = presses++ == 0 ? entry.Time : first;
            last = entry.Time;
        }
        if (i > 0 && i + 1 < count) {
            const double phase = entry.Time - log->Entries[i - 1].Time;
            (entry.Message == WM_KEYUP ? down : up).Add(phase);
        }
    }
    const double seen = presses > 1 ? (presses - 1) / ((last - first) / 1000.0) : 0;
    std::printf("%6d /s %9.2f /s %7d   %5.1f (%5.1f-%5.1f) ms   %5.1f (%5.1f-%5.1f) ms\n", rate,
                seen, presses, down.Mean(), down.shortest, down.longest, up.Mean(), up.shortest,
                up.longest);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int sleep = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1;
    TestJoystick* stick = nullptr;
    KeyLog* log = nullptr;
    ChildProcess game;
    if (!StartPadAndGame(&stick, &log, game)) {
        return 1;
    }
    const std::wstring folder = MakeWorkFolder();
    WriteFileBytes(folder + L"\\Top.ini", TopIni(sleep));
    MapperRun run;
    if (!run.Start(folder, L"/T") || run.WaitMainWindow(20000) == nullptr ||
        run.WaitSetTitle(20000).empty()) {
        std::printf("mapper.exe did not start\n");
        StopKeyLogger(log, game);
        return 1;
    }
    HWND logger = reinterpret_cast<HWND>(static_cast<LONG_PTR>(log->Window));
    SetForegroundWindow(logger);
    WaitUntil([&] { return GetForegroundWindow() == logger; }, 5000);
    std::printf("each button held %.0f s, SetSleep %d\n", seconds, sleep);
    std::printf("%9s %12s %7s   %-24s %s\n", "asked", "seen", "presses", "down phase: mean (range)",
                "up phase: mean (range)");
    for (int button = 0; button < 3; ++button) {
        MeasureRate(stick, log, button, kRates[button], seconds);
    }
    PostMessageW(run.Main(), WM_CLOSE, 0, 0);
    run.WaitExit(5000);
    StopKeyLogger(log, game);
    return 0;
}
