// What mapper.exe costs while it waits, and how soon a stick move reaches the
// game: mapper's own processor time at SetSleep 0, 1 and 5, side by side in
// one run with the test pad, beside a loop that only yields between reads
// (SetSleep 0 as it was); then, for each, the time from the pad read that
// first sees the stick pushed to the game's key message. Not a test; run it
// by hand under Wine (bench/mapper_cost_wine.sh) or on Windows, with the test
// winmm.dll, key_logger.exe and mapper.exe beside it:
// mapper_cost_bench_windows.exe [seconds] [presses]
#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/wine/mapper/mapper_driver.h"

namespace {

double Seconds(const FILETIME& kernel, const FILETIME& user) {
    const auto ticks = [](const FILETIME& time) {
        return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
}

// Summed over the process's threads: Wine gives no processor time for
// another process as a whole, but does for each of its threads.
double ProcessorSeconds(DWORD processId) {
    double used = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        HANDLE thread = entry.th32OwnerProcessID == processId
                            ? OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)
                            : nullptr;
        FILETIME created, ended, kernel, user;
        if (thread != nullptr && GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
            used += Seconds(kernel, user);
        }
        if (thread != nullptr) {
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return used;
}

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct YieldLoop {
    double seconds;
    double used;  // its processor time, filled at its end
};

// The baseline: what the polling thread did at SetSleep 0 before, a read of
// the pad after a bare yield.
DWORD WINAPI RunYieldLoop(void* parameter) {
    auto* loop = static_cast<YieldLoop*>(parameter);
    const double end = NowMs() + 1000 * loop->seconds;
    JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    while (NowMs() < end) {
        Sleep(0);
        joyGetPosEx(0, &info);
    }
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    loop->used = Seconds(kernel, user);
    return 0;
}

// The baseline's share of one core, on a thread of this program.
double YieldLoopShare(double seconds) {
    YieldLoop loop = {seconds, 0};
    HANDLE thread = CreateThread(nullptr, 0, RunYieldLoop, &loop, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return loop.used / seconds;
}

std::string TopIni(int sleep) {
    return "[PAMURO]\r\nSETKEYCOUNT=0\r\n[KEYSETNAME]\r\nKEYSETNAME 0=bench\r\n"
           "[KEYSET]\r\nKEYSET 0- 0- 0=65\r\n[SETTING]\r\nSetKeyDownMode=1\r\nSetSleep=" +
           std::to_string(sleep) + "\r\n";
}

struct Latency {
    double median, max;
};

Latency Summary(std::vector<double> values) {
    if (values.empty()) {
        return {-1, -1};
    }
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

LONG Reads(const TestJoystick* stick) {
    return stick->PosCalls + stick->PosExCalls;
}

// Pushes the stick up `presses` times (and back); the times from the first
// read after each push, and from the push itself, to the key-down's arrival.
void MeasureKeys(TestJoystick* stick, KeyLog* log, int presses, std::vector<double>& fromRead,
                 std::vector<double>& fromPush) {
    for (int press = 0; press < presses; ++press) {
        ResetKeyLog(log);
        const LONG before = Reads(stick);
        const double pushed = NowMs();
        stick->Y = 0;
        double read = 0;
        while (log->Count < 1 && NowMs() - pushed < 1000) {
            if (read == 0 && Reads(stick) != before) {
                read = NowMs();
            }
            YieldProcessor();
        }
        const double arrived = NowMs();
        if (log->Count >= 1 && read != 0) {
            fromRead.push_back(arrived - read);
            fromPush.push_back(arrived - pushed);
        }
        stick->Y = 32768;
        WaitForKeyLog(log, 2, 1000);
        Sleep(7 + press % 5);  // not in step with the poll
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int presses = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    TestJoystick* stick = nullptr;
    KeyLog* log = nullptr;
    ChildProcess game;
    if (!StartPadAndGame(&stick, &log, game)) {
        return 1;
    }
    std::printf(
        "processor time over %.0f s with the pad idle, share of one core; then %d "
        "presses of the stick\n",
        seconds, presses);
    std::printf("%-28s %-10s %-24s %s\n", "", "processor", "read -> key: median, max",
                "push -> key: median, max");
    std::printf("%-28s %6.1f %%\n", "baseline: yield, read", 100 * YieldLoopShare(seconds));
    for (int sleep : {0, 1, 5}) {
        const std::wstring folder = MakeWorkFolder();
        WriteFileBytes(folder + L"\\Top.ini", TopIni(sleep));
        MapperRun run;
        if (!run.Start(folder, L"/T") || run.WaitMainWindow(20000) == nullptr ||
            run.WaitSetTitle(20000).empty()) {
            std::printf("SetSleep %d: mapper.exe did not start\n", sleep);
            continue;
        }
        // Synthesised keys go to the window in front.
        HWND logger = reinterpret_cast<HWND>(static_cast<LONG_PTR>(log->Window));
        SetForegroundWindow(logger);
        WaitUntil([&] { return GetForegroundWindow() == logger; }, 5000);
        Sleep(500);  // start-up's own work is not waiting
        const double used = ProcessorSeconds(run.ProcessId());
        Sleep(static_cast<DWORD>(1000 * seconds));
        const double share = (ProcessorSeconds(run.ProcessId()) - used) / seconds;
        std::vector<double> fromRead, fromPush;
        MeasureKeys(stick, log, presses, fromRead, fromPush);
        const Latency read = Summary(fromRead), push = Summary(fromPush);
        std::printf(
            "mapper.exe, SetSleep %-7d %6.1f %%    %6.3f ms, %6.3f ms      %6.3f ms, "
            "%6.3f ms\n",
            sleep, 100 * share, read.median, read.max, push.median, push.max);
        PostMessageW(run.Main(), WM_CLOSE, 0, 0);
        run.WaitExit(5000);
    }
    StopKeyLogger(log, game);
    return 0;
}
