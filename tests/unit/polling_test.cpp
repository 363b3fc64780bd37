#include "mapper/engine/polling.h"
#include "tests/support/fake_engine_platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Stick positions and buttons for a 0..65535 joystick.
constexpr uint32_t kCentre = 32767, kMin = 0, kMax = 65535;
constexpr int kA = 0x41, kB = 0x42, kC = 0x43, kD = 0x44, kZ = 0x5A, kCursorUp = 0x26;

class PollingTest : public ::testing::Test {
  protected:
    std::unique_ptr<KeySetTable> table = std::make_unique<KeySetTable>();
    EngineState engine;
    MapperOptions options;
    FakeEnginePlatform platform;

    void SetUp() override {
        ClearKeySetTable(*table);
        table->SetKeyCount = 1;  // two sets
        ResetEngine(engine);
        options.KeyDownMode = KeyDownNormal;
        options.SetSleep = 0;
        platform.ReadSucceeds = true;  // the table tests run SetUp once per case
        platform.Now = 0;
        ASSERT_TRUE(DetectJoystick(engine, platform));
    }
    void Bind(int slot, int key0, int key1, int set = 0) {
        table->Keys[set][slot][0] = key0;
        table->Keys[set][slot][1] = key1;
    }
    // Runs one iteration with the stick at (x, y), `buttons` and the hat at
    // `pov`; returns what it sent.
    Events Poll(uint32_t x, uint32_t y, uint32_t buttons = 0, uint32_t pov = kPovCentred) {
        platform.Reading = {x, y, 0, buttons, pov};
        return Iterate();
    }
    Events Iterate() {
        platform.Log.clear();
        RunIteration(engine, *table, options, platform);
        return platform.Log;
    }
    // Starts a capture and runs the iteration that forgets earlier key presses.
    void BeginCapture(int32_t slot, int32_t key) {
        StartCapture(engine, slot, key);
        platform.KeyQueries = 0;
        EXPECT_EQ(Iterate(), Events{});
        EXPECT_EQ(platform.KeyQueries, 256);
        EXPECT_EQ(engine.EngineMode, EngineCapturing);
        platform.KeyQueries = 0;
    }
};

TEST_F(PollingTest, NormalPressesOnceRapidAtEveryPoll) {
    struct Case {
        uint8_t mode;
        Events whileHeld;  // the second and third polls of the hold
    };
    const Case cases[] = {
        {KeyDownNormal, {}},
        {KeyDownRapid, {Down(kA), Down(kB)}},
        {7, {Down(kA), Down(kB)}},  // any value but 1 is Rapid
    };
    for (const Case& c : cases) {
        for (int button : {3, 9, 16}) {
            SetUp();
            options.KeyDownMode = c.mode;
            Bind(SlotButton1 + button - 1, kA, kB);
            const uint32_t bit = 1u << (button - 1);
            EXPECT_EQ(Poll(kCentre, kCentre, bit), Events({Down(kA), Down(kB)})) << button;
            EXPECT_EQ(Poll(kCentre, kCentre, bit), c.whileHeld) << button;
            EXPECT_EQ(Poll(kCentre, kCentre, bit | 0x10000), c.whileHeld);  // bit 16 is no button
            EXPECT_EQ(Poll(kCentre, kCentre, 0x10000), Events({Up(kA), Up(kB)})) << button;
            EXPECT_EQ(Poll(kCentre, kCentre, 0), Events{}) << button;
        }
    }
}

// Button i is bit i - 1 of the button word. The main window hears of each
// change of the active inputs once, of none while it is hidden, and of the
// one it missed when it is shown again.
TEST_F(PollingTest, EachButtonBitIsItsOwnInput) {
    for (int slot = SlotButton1; slot <= SlotButton16; ++slot) {
        Bind(slot, kA + slot - SlotButton1, 0);  // buttons 1 to 16: A to P
    }
    const int kI = kA + 8, kJ = kA + 9, kP = kA + 15;
    struct Step {
        uint32_t buttons;
        bool shown;
        Events sent;
        std::vector<uint32_t> posted;
    };
    const Step steps[] = {
        {0x0001, true, {Down(kA)}, {1u << SlotButton1}},
        {0x0001, true, {}, {}},
        {0x0100, true, {Up(kA), Down(kI)}, {1u << SlotButton9}},
        {0x0200, true, {Up(kI), Down(kJ)}, {1u << (SlotButton9 + 1)}},
        {0x8000, false, {Up(kJ), Down(kP)}, {}},
        {0x8000, true, {}, {1u << SlotButton16}},
        {0x10000, true, {Up(kP)}, {0}},  // bit 16 is no button
        {0, true, {}, {}},
    };
    for (const Step& step : steps) {
        platform.MainWindowShown = step.shown;
        platform.PostedInputs.clear();
        EXPECT_EQ(Poll(kCentre, kCentre, step.buttons), step.sent) << std::hex << step.buttons;
        EXPECT_EQ(platform.PostedInputs, step.posted) << std::hex << step.buttons;
    }
}

TEST_F(PollingTest, KeyDownModeIsReadWhenALatchIsSet) {
    Bind(SlotUp, kA, 0);
    options.KeyDownMode = KeyDownRapid;
    Poll(kCentre, kMin);
    options.KeyDownMode = KeyDownNormal;
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});  // one more, then Held
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    options.KeyDownMode = KeyDownRapid;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});  // takes effect at the next press
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(kA)});
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});
}

TEST_F(PollingTest, EventOrderAcrossInputs) {
    Bind(SlotUp, kA, kB);
    Bind(SlotDown, kC, kD);
    Bind(SlotButton1, 0x31, 0x32);
    Bind(SlotButton1 + 1, 0x33, 0);
    Bind(SlotLeft, 0, 0);
    Bind(SlotRight, 0, kZ);
    struct Step {
        uint32_t x, y, buttons;
        Events sent;
    };
    const Step steps[] = {
        {kCentre, kMin, 0, {Down(kA), Down(kB)}},
        // Up to Down between two polls: the new direction goes down first.
        {kCentre, kMax, 0, {Down(kC), Down(kD), Up(kA), Up(kB)}},
        {kCentre, kCentre, 1, {Up(kC), Up(kD), Down(0x31), Down(0x32)}},
        // Button 1 released, Button 2 pressed: Button 1 first, in button order.
        {kCentre, kCentre, 2, {Up(0x31), Up(0x32), Down(0x33)}},
        {kCentre, kCentre, 1, {Down(0x31), Down(0x32), Up(0x33)}},
        // Left binds nothing but still latches; Right only its key index 1.
        {kMin, kCentre, 0, {Up(0x31), Up(0x32)}},
        {kMax, kCentre, 0, {Down(kZ)}},
        {kCentre, kCentre, 0, {Up(kZ)}},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(Poll(step.x, step.y, step.buttons), step.sent)
            << step.x << "," << step.y << " buttons " << step.buttons;
        if (step.x == kMin) {
            EXPECT_EQ(engine.SlotLatch[SlotLeft], LatchHeld);
        }
    }
    EXPECT_EQ(engine.SlotLatch[SlotLeft], LatchReleased);
}

TEST_F(PollingTest, OnlyTheLowByteOfAnEntryIsSent) {
    Bind(SlotUp, 0x141, 0);
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(0x41)});
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(0x41)});
}

TEST_F(PollingTest, AFailedReadChangesNothing) {
    Bind(SlotUp, kA, 0);
    Poll(kCentre, kMin);
    platform.ReadSucceeds = false;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
    EXPECT_EQ(engine.SlotLatch[SlotUp], LatchHeld);
    platform.ReadSucceeds = true;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(kA)});
    // A joystick found at start-up is never looked for again.
    EXPECT_EQ(platform.RangeQueries.size(), 1u);
}

TEST_F(PollingTest, OtherModesOnlyRest) {
    Bind(SlotUp, kA, 0);
    options.SetSleep = 7;
    for (int32_t mode : {0, 3, -1}) {
        engine.EngineMode = mode;
        platform.KeyStates[kA] = 1;
        platform.Rests.clear();
        EXPECT_EQ(Poll(kCentre, kMin), Events{});
        EXPECT_EQ(platform.Rests, std::vector<uint32_t>{7});
        EXPECT_EQ(platform.Reads, 0);
        EXPECT_EQ(platform.KeyQueries, 0);
    }
}

const Events kCaptureEnd = {"show", "enable", "hide", "invalidate"};

TEST_F(PollingTest, CaptureStoresEveryPressedKeySoTheHighestStays) {
    SelectSet(*table, 1);
    BeginCapture(SlotButton16, 1);
    platform.KeyStates[kA] = 0x01;
    platform.KeyStates[kZ] = 0x80;  // any nonzero low byte counts
    Events twice = kCaptureEnd;
    twice.insert(twice.end(), kCaptureEnd.begin(), kCaptureEnd.end());
    EXPECT_EQ(Iterate(), twice);
    EXPECT_EQ(platform.KeyQueriesBeforeFirstShow, 256);
    EXPECT_EQ(table->Keys[1][SlotButton16][1], kZ);
    EXPECT_EQ(table->Keys[0][SlotButton16][1], 0);
    EXPECT_EQ(engine.EngineMode, EngineMapping);
}

TEST_F(PollingTest, KeysPressedBeforeTheCaptureAreNotTakenForIt) {
    platform.KeyStates[kA] = 1;  // pressed while mapping: nobody asked since
    StartCapture(engine, SlotUp, 0);
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(engine.EngineMode, EngineCapturing);
    platform.KeyStates[kB] = 1;
    EXPECT_EQ(Iterate(), kCaptureEnd);
    EXPECT_EQ(table->Keys[0][SlotUp][0], kB);

    // A capture cancelled and started again before the polling thread looked
    // still forgets what came before it.
    StartCapture(engine, SlotUp, 1);
    CancelCapture(engine, platform);
    platform.KeyStates[kC] = 1;
    StartCapture(engine, SlotUp, 1);
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(table->Keys[0][SlotUp][1], 0);
}

TEST_F(PollingTest, MouseButtonsAndInputMethodKeysAreNeverCaptured) {
    const int never[] = {0x01, 0x02, 0x04, 0xF0, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xFB, 0x100};
    BeginCapture(SlotUp, 0);
    for (int code : never) {
        platform.KeyStates[code] = 1;
    }
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(engine.EngineMode, EngineCapturing);
    EXPECT_EQ(table->Keys[0][SlotUp][0], 0);

    for (int code : {0x03, 0x05, 0x06, 0xF1}) {
        BeginCapture(SlotUp, 0);
        platform.KeyStates[code] = 1;
        EXPECT_EQ(Iterate(), kCaptureEnd);
        EXPECT_EQ(table->Keys[0][SlotUp][0], code);
    }
}

TEST_F(PollingTest, CaptureOutsideTheTableWritesNothing) {
    struct Case {
        int32_t slot, key, activeSet, highestSet;
    };
    const Case cases[] = {
        {20, 0, 0, 1}, {-1, 0, 0, 1}, {0, 2, 0, 1}, {0, -1, 0, 1}, {0, 0, 0, -1}, {0, 0, 2, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        table->SetKeyCount = c.highestSet;
        table->ActiveSet = c.activeSet;
        BeginCapture(c.slot, c.key);
        platform.KeyStates[kA] = 1;
        EXPECT_EQ(Iterate(), kCaptureEnd);
        EXPECT_EQ(engine.EngineMode, EngineMapping);
        for (int set = 0; set < 3; ++set) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                EXPECT_EQ(table->Keys[set][slot][0] + table->Keys[set][slot][1], 0);
            }
        }
    }
}

TEST_F(PollingTest, CancelEndsACaptureWithoutAKey) {
    StartCapture(engine, SlotUp, 0);
    CancelCapture(engine, platform);
    EXPECT_EQ(platform.Log, Events({"show", "enable", "hide"}));
    platform.KeyStates[kA] = 1;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
    EXPECT_EQ(table->Keys[0][SlotUp][0], 0);
}

// Held keys are released with the codes that were pressed, even when the
// active set changed meanwhile.
TEST_F(PollingTest, SetSwitchWhileHeldReleasesThePressedCodes) {
    Bind(SlotUp, kA, kB, 0);
    Bind(SlotUp, kC, kD, 1);
    Poll(kCentre, kMin);
    SelectSet(*table, 1);
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre), Events({Up(kA), Up(kB)}));
    EXPECT_EQ(Poll(kCentre, kMin), Events({Down(kC), Down(kD)}));
}

TEST_F(PollingTest, RapidSetSwitchLetsGoOfCodesNoLongerBound) {
    options.KeyDownMode = KeyDownRapid;
    Bind(SlotUp, kA, kB, 0);
    Bind(SlotUp, kB, kC, 1);  // B stays bound, A is replaced by C
    Poll(kCentre, kMin);
    SelectSet(*table, 1);
    EXPECT_EQ(Poll(kCentre, kMin), Events({Up(kA), Down(kB), Down(kC)}));
    EXPECT_EQ(Poll(kCentre, kCentre), Events({Up(kB), Up(kC)}));
}

TEST_F(PollingTest, CaptureWhileHeldReleasesTheOldKey) {
    Bind(SlotUp, kA, 0);
    Poll(kCentre, kMin);
    BeginCapture(SlotUp, 0);
    platform.KeyStates[kZ] = 1;
    EXPECT_EQ(Iterate(), kCaptureEnd);  // keys stay down while capturing
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(kA)});
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kZ)});
}

TEST_F(PollingTest, PauseReleasesHeldKeysAndSendsNothingUntilResumed) {
    Bind(SlotUp, kA, kB);
    Bind(SlotButton1, kC, 0);
    Poll(kCentre, kMin, 1);
    SetControlEnabled(engine, false);
    EXPECT_EQ(Poll(kCentre, kMin, 1), Events({Up(kA), Up(kB), Up(kC)}));
    const int readsWhenPaused = platform.Reads;
    EXPECT_EQ(Poll(kCentre, kMax, 3), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre, 0), Events{});
    EXPECT_EQ(platform.Reads, readsWhenPaused);

    // A capture still completes while paused.
    BeginCapture(SlotDown, 0);
    platform.KeyStates[kZ] = 1;
    EXPECT_EQ(Iterate(), kCaptureEnd);

    SetControlEnabled(engine, true);
    EXPECT_EQ(Poll(kCentre, kMax, 1), Events({Down(kZ), Down(kC)}));
}

// The stop is the polling thread's: it releases every held key and sends
// nothing more. Only where no polling thread ran does the caller release.
TEST_F(PollingTest, StopIsHandledByThePollingThread) {
    Bind(SlotUp, kA, kB);
    Poll(kCentre, kMin);
    RequestStop(engine);
    EXPECT_EQ(Iterate(), Events({Up(kA), Up(kB)}));
    EXPECT_FALSE(RunIteration(engine, *table, options, platform));
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
}

TEST_F(PollingTest, StopWithoutAPollingThreadIsTheCallers) {
    Bind(SlotUp, kA, kB);
    Poll(kCentre, kMin);
    FakeEnginePlatform caller;
    RequestStop(engine);
    ReleaseHeldKeys(engine, caller);
    EXPECT_EQ(caller.Log, Events({Up(kA), Up(kB)}));
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
}

// A real polling thread against a fake clock-driven caller: only the shared
// atomics cross threads; each platform is used by one thread alone.
class RealTimePlatform : public FakeEnginePlatform {
  public:
    void Rest(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    uint32_t Milliseconds() override {
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }
};

TEST_F(PollingTest, StopReleasesKeysHeldByARunningThread) {
    Bind(SlotUp, kA, kB);
    options.SetSleep = 2;
    options.KeyDownMode = KeyDownRapid;
    platform.Reading = {kCentre, kMin, 0, 0};
    std::thread polling([this] { PollingThread(engine, *table, options, platform); });
    RealTimePlatform caller;
    for (int i = 0; i < 2000 && platform.KeysSent < 4; ++i) {
        caller.Rest(1);
    }
    RequestStop(engine);
    polling.join();
    ASSERT_GE(platform.Log.size(), 4u);
    EXPECT_EQ(Events(platform.Log.end() - 2, platform.Log.end()), Events({Up(kA), Up(kB)}));
    EXPECT_EQ(caller.Log, Events{});
}

TEST_F(PollingTest, AJoystickPluggedInLaterIsFoundByRetries) {
    ResetEngine(engine);
    platform.JoystickPresent[0] = false;
    platform.RangeQueries.clear();
    platform.Now = 0xFFFFFE00u;  // the clock wraps during the test
    ASSERT_FALSE(DetectJoystick(engine, platform));
    Bind(SlotUp, kA, 0);
    struct Step {
        uint32_t now;
        bool present;
        int rangeQueries;  // in total so far
        Events sent;
    };
    const Step steps[] = {
        {0xFFFFFF00u, false, 2, {}},
        {0x1E7, false, 2, {}},  // 999 ms after the first attempt
        {0x1E8, false, 4, {}},  // 1000 ms: both joysticks asked again
        {0x5CF, true, 4, {}},
        {0x5D0, true, 5, {Down(kA)}},  // found, and mapped in the same iteration
        {0x10000, false, 5, {}},       // a first failed read looks for nothing
    };
    for (const Step& step : steps) {
        platform.Now = step.now;
        platform.JoystickPresent[0] = step.present;
        platform.ReadSucceeds = step.present;
        EXPECT_EQ(Poll(kCentre, kMin), step.sent) << std::hex << step.now;
        EXPECT_EQ(static_cast<int>(platform.RangeQueries.size()), step.rangeQueries)
            << std::hex << step.now;
    }
    EXPECT_EQ(engine.JoystickId, 0);
}

// Up A, Down B, Left C, Right D; each case is pressed, then let go.
TEST_F(PollingTest, TheStickAndTheHatPressTheDirectionsOfTheirPosition) {
    struct Case {
        uint32_t x, y, pov;
        Events sent;  // pressed in the order Up, Down, Left, Right
    };
    const Case cases[] = {
        // Stick positions equal to a threshold are neutral.
        {kCentre, 21845, kPovCentred, {}},
        {kCentre, 21844, kPovCentred, {Down(kA)}},
        {kCentre, 43690, kPovCentred, {}},
        {kCentre, 43691, kPovCentred, {Down(kB)}},
        {21845, kCentre, kPovCentred, {}},
        {21844, kCentre, kPovCentred, {Down(kC)}},
        {43690, kCentre, kPovCentred, {}},
        {43691, kCentre, kPovCentred, {Down(kD)}},
        // Positions are compared as signed values: 0xFFFFFFFF is -1, far Left.
        {0xFFFFFFFFu, kCentre, kPovCentred, {Down(kC)}},
        // The hat's eight positions.
        {kCentre, kCentre, 0, {Down(kA)}},
        {kCentre, kCentre, 4500, {Down(kA), Down(kD)}},
        {kCentre, kCentre, 9000, {Down(kD)}},
        {kCentre, kCentre, 13500, {Down(kB), Down(kD)}},
        {kCentre, kCentre, 18000, {Down(kB)}},
        {kCentre, kCentre, 22500, {Down(kB), Down(kC)}},
        {kCentre, kCentre, 27000, {Down(kC)}},
        {kCentre, kCentre, 31500, {Down(kA), Down(kC)}},
        // Between the eight hat positions the nearest one counts.
        {kCentre, kCentre, 2249, {Down(kA)}},
        {kCentre, kCentre, 2250, {Down(kA), Down(kD)}},
        {kCentre, kCentre, 35999, {Down(kA)}},
        // A hat centred (JOY_POVCENTERED) or anywhere outside 0..35999.
        {kCentre, kCentre, kPovCentred, {}},
        {kCentre, kCentre, 36000, {}},
        {kCentre, kCentre, 0xFFFFFFFFu, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        Bind(SlotUp, kA, 0);
        Bind(SlotDown, kB, 0);
        Bind(SlotLeft, kC, 0);
        Bind(SlotRight, kD, 0);
        EXPECT_EQ(Poll(c.x, c.y, 0, c.pov), c.sent) << c.x << "," << c.y << " pov " << c.pov;
        Events released;
        for (const std::string& down : c.sent) {
            released.push_back("up" + down.substr(4));
        }
        EXPECT_EQ(Poll(kCentre, kCentre), released) << c.x << "," << c.y << " pov " << c.pov;
    }
}

// A direction is one input whether the stick or the hat holds it: one
// key-down when either starts, one key-up when both have let go.
TEST_F(PollingTest, StickAndHatHoldOneDirectionTogether) {
    struct Step {
        uint32_t y, pov;
        Events sent;
    };
    const Step steps[] = {
        {kMin, kPovCentred, {Down(kA), Down(kB)}},
        {kMin, 0, {}},
        {kCentre, 0, {}},  // the hat still holds Up
        {kCentre, 31500, {Down(kC)}},
        {kCentre, kPovCentred, {Up(kA), Up(kB), Up(kC)}},
        {kCentre, 4500, {Down(kA), Down(kB)}},
        {kMin, 0, {}},
        {kMin, kPovCentred, {}},  // the stick still holds Up
        {kMax, kPovCentred, {Down(kD), Up(kA), Up(kB)}},
        {kCentre, kPovCentred, {Up(kD)}},
    };
    Bind(SlotUp, kA, kB);
    Bind(SlotLeft, kC, 0);
    Bind(SlotDown, kD, 0);
    for (const Step& step : steps) {
        EXPECT_EQ(Poll(kCentre, step.y, 0, step.pov), step.sent) << step.y << " pov " << step.pov;
    }
}

// Reads that fail for kPadGoneMs release every held key, key index 0 first;
// a shorter failure changes nothing.
TEST_F(PollingTest, APadGoneLongEnoughHasItsKeysReleased) {
    struct Case {
        uint32_t failedForMs;  // from the first failed read to the last
        Events atLastFailure;
        Events whenBack;  // the inputs are still held when the pad answers again
    };
    const Events releaseAll = {Up(kA), Up(kB), Up(kC)};
    const Events pressAll = {Down(kA), Down(kB), Down(kC)};
    const Case cases[] = {
        {0, {}, {}},
        {499, {}, {}},
        {500, releaseAll, pressAll},
        {60000, releaseAll, pressAll},
    };
    for (const Case& c : cases) {
        SetUp();
        Bind(SlotUp, kA, kB);
        Bind(SlotButton1, kC, 0);
        platform.Now = 5000;
        Poll(kCentre, kMin, 1);
        platform.ReadSucceeds = false;
        EXPECT_EQ(Poll(kCentre, kMin, 1), Events{});
        platform.Now += c.failedForMs;
        EXPECT_EQ(Poll(kCentre, kMin, 1), c.atLastFailure) << c.failedForMs;
        EXPECT_EQ(engine.SlotLatch[SlotUp], c.atLastFailure.empty() ? LatchHeld : LatchReleased);
        platform.ReadSucceeds = true;
        EXPECT_EQ(Poll(kCentre, kMin, 1), c.whenBack) << c.failedForMs;
        EXPECT_EQ(Poll(kCentre, kCentre, 0), releaseAll) << c.failedForMs;
    }
}

// A successful read between two failures, or a pad found again, starts the
// count again.
TEST_F(PollingTest, AReadBetweenFailuresRestartsTheCount) {
    Bind(SlotUp, kA, 0);
    Poll(kCentre, kMin);
    for (uint32_t now : {100u, 400u}) {
        platform.Now = now;
        platform.ReadSucceeds = false;
        EXPECT_EQ(Poll(kCentre, kMin), Events{});
    }
    platform.ReadSucceeds = true;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    platform.ReadSucceeds = false;
    for (uint32_t now : {500u, 700u, 999u}) {
        platform.Now = now;
        EXPECT_EQ(Poll(kCentre, kMin), Events{}) << now;
    }
    platform.Now = 1000;
    EXPECT_EQ(Poll(kCentre, kMin), Events{Up(kA)});
    // A pad found again starts a fresh count: a failed first read is not the
    // old failure going on.
    platform.Now = 2000;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    platform.ReadSucceeds = true;
    platform.Now = 2100;
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});
}

// After the pad is gone discovery runs about once a second, one attempt per
// iteration at most, and a pad found in the other port or with other ranges
// is read with its own id and thresholds. Nothing is mapped while none is known.
TEST_F(PollingTest, AGonePadIsLookedForAgainWithItsNewRanges) {
    Bind(SlotLeft, kA, 0);
    Bind(SlotRight, kB, 0);
    platform.Now = 10000;
    Poll(kMin, kCentre);  // Left held on a 0..65535 pad
    platform.JoystickPresent[0] = false;
    platform.Range[1] = {0, 255, 0, 255};  // Left below 85, Right above 170
    platform.RangeQueries.clear();
    struct Step {
        uint32_t now;
        bool present1;
        uint32_t x;
        int rangeQueries;  // in total so far
        Events sent;
    };
    const Step steps[] = {
        {10000, false, kMin, 0, {}},
        {10499, false, kMin, 0, {}},
        {10500, false, kMin, 0, {Up(kA)}},  // gone: released
        {10500, false, kMin, 2, {}},        // next iteration: both ports asked
        {10600, false, kMin, 2, {}},
        {11499, false, kMin, 2, {}},
        {11500, false, kMin, 4, {}},  // a second later
        {11600, true, 200, 4, {}},    // plugged into port 1: found at the next attempt
        {12500, true, 200, 6, {Down(kB)}},
        {12600, true, 100, 6, {Up(kB)}},  // neutral on the new ranges
        {12700, true, 84, 6, {Down(kA)}},
    };
    for (const Step& step : steps) {
        platform.Now = step.now;
        platform.JoystickPresent[1] = step.present1;
        EXPECT_EQ(Poll(step.x, 128), step.sent) << step.now;
        EXPECT_EQ(static_cast<int>(platform.RangeQueries.size()), step.rangeQueries) << step.now;
    }
    EXPECT_EQ(engine.JoystickId, 1);
    EXPECT_EQ(engine.Thresholds.XLow, 85);
}

// A key-up carries the scan code of its key-down, whatever the keyboard
// layout says by then, however the key is released.
TEST_F(PollingTest, KeyUpCarriesTheScanCodeOfItsKeyDown) {
    struct Case {
        const char* release;
        uint8_t mode;
        std::function<void()> releaseKeys;
    };
    const Case cases[] = {
        {"stick back", KeyDownNormal, [this] { Poll(kCentre, kCentre); }},
        {"pause", KeyDownNormal,
         [this] {
             SetControlEnabled(engine, false);
             Iterate();
         }},
        {"pad gone", KeyDownNormal,
         [this] {
             platform.ReadSucceeds = false;
             Iterate();
             platform.Now += kPadGoneMs;
             Iterate();
         }},
        {"set switch in Rapid", KeyDownRapid,
         [this] {
             SelectSet(*table, 1);
             Poll(kCentre, kMin);
         }},
        {"stop", KeyDownNormal,
         [this] {
             FakeEnginePlatform caller;
             ReleaseHeldKeys(engine, caller);
             platform.ScanLog = caller.ScanLog;
         }},
    };
    for (const Case& c : cases) {
        SetUp();
        options.KeyDownMode = c.mode;
        Bind(SlotUp, kA, kCursorUp, 0);
        Bind(SlotUp, kZ, 0, 1);
        platform.Layout[kA] = {0x1E, false};
        platform.Layout[kCursorUp] = {0x48, true};
        Poll(kCentre, kMin);
        // The user switches the keyboard layout while the key is held.
        platform.Layout[kA] = {0x10, false};
        platform.Layout[kCursorUp] = {0x48, false};
        platform.ScanLog.clear();
        c.releaseKeys();
        ASSERT_GE(platform.ScanLog.size(), 2u) << c.release;
        EXPECT_EQ(Events(platform.ScanLog.begin(), platform.ScanLog.begin() + 2),
                  Events({"up 41 scan 1E", "up 26 scan 48 ext"}))
            << c.release;
    }
}

TEST_F(PollingTest, RapidPressesAHeldKeyAgainWithItsFirstScanCode) {
    options.KeyDownMode = KeyDownRapid;
    Bind(SlotButton1, kA, 0);
    platform.Layout[kA] = {0x1E, false};
    Poll(kCentre, kCentre, 1);
    platform.Layout[kA] = {0x10, false};
    Poll(kCentre, kCentre, 1);
    Poll(kCentre, kCentre, 0);
    EXPECT_EQ(platform.ScanLog, Events({"down 41 scan 1E", "down 41 scan 1E", "up 41 scan 1E"}));
}

// Every pause releases what is held at that moment, not only the first one.
TEST_F(PollingTest, EachPauseReleasesWhatIsHeldThen) {
    Bind(SlotUp, kA, 0);
    Bind(SlotButton1, kB, 0);
    struct Step {
        bool enabled;
        uint32_t y, buttons;
        Events sent;
    };
    const Step steps[] = {
        {true, kMin, 0, {Down(kA)}},
        {false, kMin, 0, {Up(kA)}},
        {false, kMin, 1, {}},
        {true, kMin, 1, {Down(kA), Down(kB)}},  // resumed: what is held goes down
        {true, kCentre, 1, {Up(kA)}},
        {false, kCentre, 1, {Up(kB)}},  // paused again: released again
        {false, kCentre, 0, {}},
        {true, kCentre, 0, {}},
    };
    for (const Step& step : steps) {
        SetControlEnabled(engine, step.enabled);
        EXPECT_EQ(Poll(kCentre, step.y, step.buttons), step.sent)
            << step.enabled << " " << step.y << " " << step.buttons;
    }
}

}  // namespace
