// The polling engine on its real platform: the Win32 backend drives the test
// winmm.dll (a scripted joystick with a hat) and injects keys that the key
// logger's window receives. Checks that the events carry the key's own scan
// code and extended flag, in the engine's order, from RunIteration and from
// the real polling thread; that the D-pad drives the directions and a pad
// that goes away has its keys released; that a capture reads
// GetAsyncKeyState; and that an exit during a capture releases every key.
// What the engine reports goes to a recording fake: the windows' side of it
// is mapper.exe's, tested with the program.
#include <process.h>
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mapper/engine/engine.h"
#include "mapper/platform/win32/win32_engine_platform.h"
#include "tests/support/fake_engine_platform.h"
#include "tests/wine/joystick_stub/joystick_stub.h"
#include "tests/wine/key_logger/key_log.h"
#include "tests/wine/support/child_process.h"
#include "tests/wine/support/wait.h"

namespace {

// The polling thread as mapper.exe runs it.
unsigned __stdcall RunPollingThread(void* engine) {
    static_cast<Engine*>(engine)->Run();
    return 0;
}

constexpr int kCentre = 32767;
constexpr DWORD kWaitMs = 5000;
// Typed behind the engine's keys to mark the end of what it has sent; no test
// binds it.
constexpr uint8_t kMarkKey = VK_F24;

std::string Describe(const KeyLogEntry& entry) {
    char text[64];
    wsprintfA(text, "%s %02X scan %02X%s",
              entry.Message == WM_KEYDOWN || entry.Message == WM_SYSKEYDOWN ? "down" : "up",
              entry.Vk, entry.Scan, entry.Extended ? " ext" : "");
    return text;
}

std::string KeyDown(int vk, int scan, bool extended = false) {
    KeyLogEntry entry{WM_KEYDOWN, vk, scan, extended ? 1 : 0};
    return Describe(entry);
}
std::string KeyUp(int vk, int scan, bool extended = false) {
    KeyLogEntry entry{WM_KEYUP, vk, scan, extended ? 1 : 0};
    return Describe(entry);
}

class EngineOnWin32 : public ::testing::Test {
  protected:
    static TestJoystick* stick;
    static KeyLog* log;
    static ChildProcess* logger;

    static void SetUpTestSuite() {
        stick = OpenTestJoystick();
        log = OpenKeyLog();
        // key_logger.exe lies beside this program (pamuro_use_test_joystick).
        logger = new ChildProcess;
        if (stick == nullptr || log == nullptr ||
            !StartKeyLogger(log, *logger, OwnFolder() + L"key_logger.exe")) {
            delete logger;
            logger = nullptr;
        }
    }
    static void TearDownTestSuite() {
        if (logger != nullptr) {
            StopKeyLogger(log, *logger);
            delete logger;
            logger = nullptr;
        }
    }

    void SetUp() override {
        ASSERT_NE(logger, nullptr) << "key_logger.exe did not come up";
        ZeroMemory(const_cast<LONG*>(&stick->Present), sizeof *stick);
        stick->XMax = stick->YMax = 65535;
        stick->X = stick->Y = kCentre;
        options.KeyDownMode = KeyDownNormal;
        options.SetSleep = 1;
        ResetKeyLog(log);
    }

    // Waits for `count` key messages and returns every one that came, so that
    // anything more shows as a fault too: once the polling thread (if it runs)
    // has read the joystick again, the poll that sent them is over; a mark key
    // typed after that reaches the logger behind all the engine has sent.
    std::vector<std::string> Logged(LONG count) {
        EXPECT_TRUE(WaitForKeyLog(log, count, kWaitMs)) << "only " << log->Count << " keys";
        if (pollingThread_ != nullptr) {
            EXPECT_TRUE(WaitForJoystickCalls(2)) << "the polling thread stands still";
        }
        Type(kMarkKey);
        EXPECT_TRUE(WaitUntil([] { return LogHoldsKeyUp(kMarkKey); }, kWaitMs, 5)) << "no mark key";
        std::vector<std::string> seen;
        for (LONG i = 0; i < log->Count; ++i) {
            if (log->Entries[i].Vk != kMarkKey) {
                seen.push_back(Describe(log->Entries[i]));
            }
        }
        ResetKeyLog(log);
        return seen;
    }

    // Waits until the log holds `entry`, wherever it stands.
    static bool WaitForLogged(const std::string& entry) {
        return WaitUntil(
            [&] {
                for (LONG i = 0; i < log->Count; ++i) {
                    if (Describe(log->Entries[i]) == entry) {
                        return true;
                    }
                }
                return false;
            },
            kWaitMs, 5);
    }

    static bool LogHoldsKeyUp(int vk) {
        for (LONG i = 0; i < log->Count; ++i) {
            if (log->Entries[i].Message == WM_KEYUP && log->Entries[i].Vk == vk) {
                return true;
            }
        }
        return false;
    }

    // Waits until the engine has called the joystick `calls` more times:
    // reads while a pad is known, discovery while none is.
    static bool WaitForJoystickCalls(LONG calls) {
        const LONG start = JoystickCalls();
        return WaitUntil([&] { return JoystickCalls() - start >= calls; }, kWaitMs, 1);
    }
    static LONG JoystickCalls() { return stick->CapsCalls + stick->PosCalls + stick->PosExCalls; }

    void Iterate() { engine->RunIteration(); }

    static void Type(uint8_t vk) {
        static Win32EnginePlatform typist;
        typist.SendKey(vk, typist.ScanCodeOf(vk), false);
        typist.SendKey(vk, typist.ScanCodeOf(vk), true);
    }

    // Types `vk` and waits until its key-up reaches a window, the logger's or
    // one of this thread's: a positive sign that the system has taken the
    // press into the state GetAsyncKeyState reads.
    static bool TypeAndWaitForArrival(uint8_t vk) {
        Type(vk);
        bool arrived = false;
        return WaitUntil(
            [&] {
                MSG message;
                while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
                    arrived = arrived || (message.message == WM_KEYUP && message.wParam == vk);
                }
                return arrived || LogHoldsKeyUp(vk);
            },
            kWaitMs, 5);
    }

    void StartPollingThread() {
        pollingThread_ = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, RunPollingThread, engine.get(), 0, nullptr));
        ASSERT_NE(pollingThread_, nullptr);
    }

    // Waits for the polling thread to end after RequestStop.
    void JoinPollingThread() {
        EXPECT_EQ(WaitForSingleObject(pollingThread_, kWaitMs), WAIT_OBJECT_0);
        CloseHandle(pollingThread_);
        pollingThread_ = nullptr;
    }

    HANDLE pollingThread_ = nullptr;
    std::unique_ptr<KeySetTable> keySets = std::make_unique<KeySetTable>();
    MapperOptions options{};
    Win32EnginePlatform platform;
    Events reported;  // read only once the polling thread has ended
    FakeEngineEvents events{reported};
    std::unique_ptr<Engine> engine = std::make_unique<Engine>(*keySets, options, platform, events);
};

TestJoystick* EngineOnWin32::stick = nullptr;
KeyLog* EngineOnWin32::log = nullptr;
ChildProcess* EngineOnWin32::logger = nullptr;

TEST_F(EngineOnWin32, KeysCarryTheirOwnScanCodesInTheEngineOrder) {
    keySets->Keys[0][InputUp][0] = 'A';
    keySets->Keys[0][InputUp][1] = VK_UP;
    keySets->Keys[0][InputDown][0] = VK_DIVIDE;
    stick->Present = 1;
    ASSERT_TRUE(engine->DetectPad());
    EXPECT_EQ(engine->Pad.InUse, kFirstWinmmPad);
    EXPECT_EQ(engine->Pad.Thresholds.YLow, 21845);

    stick->Y = 0;
    Iterate();
    EXPECT_EQ(Logged(2),
              std::vector<std::string>({KeyDown('A', 0x1E), KeyDown(VK_UP, 0x48, true)}));
    stick->Y = 65535;  // Up to Down between two polls: Down's key goes down first
    Iterate();
    EXPECT_EQ(Logged(3), std::vector<std::string>({KeyDown(VK_DIVIDE, 0x35, true), KeyUp('A', 0x1E),
                                                   KeyUp(VK_UP, 0x48, true)}));
    stick->Y = kCentre;
    Iterate();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp(VK_DIVIDE, 0x35, true)}));
}

TEST_F(EngineOnWin32, ThePollingThreadMapsAndReleasesEverythingAtStop) {
    keySets->Keys[0][InputButton1][0] = 'Z';
    keySets->Keys[0][InputButton1 + 1][1] = VK_DELETE;
    stick->Present = 2;  // only joystick 1
    ASSERT_TRUE(engine->DetectPad());
    EXPECT_EQ(engine->Pad.InUse, kFirstWinmmPad + 1);
    StartPollingThread();

    stick->Buttons = 3;
    EXPECT_EQ(Logged(2),
              std::vector<std::string>({KeyDown('Z', 0x2C), KeyDown(VK_DELETE, 0x53, true)}));
    RequestStop(engine->Controls);
    JoinPollingThread();
    EXPECT_EQ(Logged(2),
              std::vector<std::string>({KeyUp('Z', 0x2C), KeyUp(VK_DELETE, 0x53, true)}));
}

TEST_F(EngineOnWin32, AJoystickPluggedInAfterStartUpIsFound) {
    keySets->Keys[0][InputLeft][0] = 'Q';
    ASSERT_FALSE(engine->DetectPad());
    const LONG callsAtStart = stick->CapsCalls;
    const DWORD started = GetTickCount();
    StartPollingThread();
    // Joysticks 0 and 1 asked about again, twice, once a second: not at
    // every poll.
    ASSERT_TRUE(WaitUntil([&] { return stick->CapsCalls - callsAtStart >= 4; }, kWaitMs))
        << "no joystick looked for again";
    EXPECT_GE(GetTickCount() - started, 1500u) << "looked for more often than once a second";
    stick->X = 0;
    stick->Present = 1;
    const DWORD plugged = GetTickCount();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyDown('Q', 0x10)}));
    EXPECT_LE(GetTickCount() - plugged, 1500u);
    RequestStop(engine->Controls);
    JoinPollingThread();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp('Q', 0x10)}));
}

TEST_F(EngineOnWin32, CaptureTakesAnInjectedKeyAndReportsIt) {
    for (int vk = 1; vk <= 256; ++vk) {
        GetAsyncKeyState(vk);  // the "pressed since" state is shared by the whole desktop
    }
    ASSERT_TRUE(TypeAndWaitForArrival('J'));  // before the capture: never taken
    StartCapture(engine->Controls, keySets->ActiveSet, InputButton8, 1);
    Iterate();  // forgets the J
    EXPECT_EQ(engine->Controls.Mode, EngineCapturing);
    ASSERT_TRUE(TypeAndWaitForArrival('K'));
    Iterate();
    EXPECT_EQ(keySets->Keys[0][InputButton8][1], 'K');
    EXPECT_EQ(engine->Controls.Mode, EngineMapping);
    EXPECT_EQ(reported, Events{FakeEngineEvents::Captured('K')});
    SetForegroundWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(log->Window)));
}

TEST_F(EngineOnWin32, TheDPadDrivesTheDirectionsAndAGonePadLetsGo) {
    keySets->Keys[0][InputUp][0] = 'W';
    keySets->Keys[0][InputRight][0] = VK_RIGHT;
    keySets->Keys[0][InputLeft][0] = 'Q';
    stick->Present = 1;
    stick->HatPresent = 1;
    stick->Pov = 4500;  // up-right, the stick centred
    ASSERT_TRUE(engine->DetectPad());
    StartPollingThread();
    EXPECT_EQ(Logged(2),
              std::vector<std::string>({KeyDown('W', 0x11), KeyDown(VK_RIGHT, 0x4D, true)}));
    stick->Pov = 9000;
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp('W', 0x11)}));

    stick->Present = 0;  // unplugged with the hat held: released after half a second
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp(VK_RIGHT, 0x4D, true)}));

    // Back in the other port, with other ranges and no hat: X 0 is Left there.
    stick->XMax = stick->YMax = 255;
    stick->X = 0;
    stick->Y = 128;
    stick->HatPresent = 0;
    stick->Present = 2;
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyDown('Q', 0x10)}));
    RequestStop(engine->Controls);
    JoinPollingThread();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp('Q', 0x10)}));
    EXPECT_GT(stick->PosExCalls, 0);
    EXPECT_EQ(stick->PosCalls, 0);
}

TEST_F(EngineOnWin32, APadThatRefusesTheHatIsReadWithoutIt) {
    keySets->Keys[0][InputUp][0] = 'W';
    keySets->Keys[0][InputButton1][0] = 'Z';
    stick->Present = 1;
    stick->RefusePov = 1;
    stick->HatPresent = 1;
    stick->Pov = 0;  // never seen: the hat is not read
    stick->Buttons = 1;
    ASSERT_TRUE(engine->DetectPad());
    Iterate();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyDown('Z', 0x2C)}));
    // Refused once, at discovery: one joyGetPosEx a poll from then on.
    const LONG reads = stick->PosExCalls;
    stick->Buttons = 0;
    Iterate();
    EXPECT_EQ(stick->PosExCalls - reads, 1);
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp('Z', 0x2C)}));
}

// Windows' WM_DEVICECHANGE for a device interface that arrives reaches the
// backend's message-only window and has the engine look for a pad at its
// next poll, taken once; a removal says nothing.
TEST_F(EngineOnWin32, ADeviceArrivalHasThePadsAskedAtOnce) {
    keySets->Keys[0][InputLeft][0] = 'Q';
    ASSERT_TRUE(platform.WatchDeviceArrivals());
    ASSERT_FALSE(engine->DetectPad());
    HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"PamuroEngine", nullptr);
    ASSERT_NE(window, nullptr);
    DEV_BROADCAST_DEVICEINTERFACE_W device = {};
    device.dbcc_size = sizeof device;
    device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    const LPARAM notice = reinterpret_cast<LPARAM>(&device);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, notice);
    EXPECT_FALSE(platform.TakeDeviceArrival());

    stick->X = 0;
    stick->Present = 1;
    const LONG asked = stick->CapsCalls;
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, notice);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, notice);
    Iterate();
    EXPECT_EQ(stick->CapsCalls - asked, 1);
    EXPECT_EQ(engine->Pad.State, PadReading);
    EXPECT_FALSE(platform.TakeDeviceArrival());
    Iterate();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyDown('Q', 0x10)}));
    engine->ReleaseHeldKeys();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyUp('Q', 0x10)}));
}

// The exit waits for the polling thread without answering messages. A key
// that completes a capture just then must not leave a key held down.
TEST_F(EngineOnWin32, ExitDuringACaptureReleasesTheHeldKeys) {
    keySets->Keys[0][InputButton1][0] = 'Z';
    stick->Present = 1;
    stick->Buttons = 1;
    ASSERT_TRUE(engine->DetectPad());
    StartPollingThread();
    EXPECT_EQ(Logged(1), std::vector<std::string>({KeyDown('Z', 0x2C)}));

    // From here on this thread answers no message, as in the exit.
    StartCapture(engine->Controls, keySets->ActiveSet, InputUp, 0);
    const bool captured = WaitUntil(
        [this] {
            Type('K');  // pressed until the capture has taken it
            return engine->Controls.Mode.load() == EngineMapping;
        },
        kWaitMs, 20);
    EXPECT_TRUE(captured) << "the capture did not end";
    RequestStop(engine->Controls);
    EXPECT_TRUE(WaitForLogged(KeyUp('Z', 0x2C))) << "the held key stayed down";
    JoinPollingThread();
    EXPECT_EQ(keySets->Keys[0][InputUp][0], 'K');
    EXPECT_EQ(reported, Events{FakeEngineEvents::Captured('K')});
    SetForegroundWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(log->Window)));
    ResetKeyLog(log);
}

}  // namespace
