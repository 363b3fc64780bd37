// Polling tests: the pad: discovery, failed reads and a pad gone and found again.
#include "tests/unit/polling_fixture.h"

namespace {

TEST_F(PollingTest, AFailedReadChangesNothing) {
    Bind(InputUp, kA, 0);
    Poll(kCentre, kMin);
    platform.ReadSucceeds = false;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
    EXPECT_EQ(engine->Keys.Latch[InputUp], LatchHeld);
    platform.ReadSucceeds = true;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(kA)});
    // A joystick found at start-up is never looked for again.
    EXPECT_EQ(platform.RangeQueries.size(), 1u);
}

// While no pad answers, discovery asks the winmm joysticks every second and
// the XInput slots, with the joysticks after them, every 3 seconds; a device
// Windows reports arriving has every pad asked at once. A pad found is read
// from the next poll on.
TEST_F(PollingTest, WithNoPadDiscoveryRunsOnItsClocksAndOnADeviceArrival) {
    engine = std::make_unique<Engine>(*table, options, platform, events);
    platform.JoystickPresent[0] = false;
    platform.Now = 0xFFFFFC18u;  // 1000 ms before the clock wraps
    ASSERT_FALSE(engine->DetectPad());
    Bind(InputUp, kA, 0);
    struct Step {
        uint32_t now;
        bool present, arrival;
        Events calls, sent;
    };
    const Events everyPad = {"x0", "x1", "x2", "x3", "c0", "c1"};
    const Step steps[] = {
        {0xFFFFFFFFu, false, false, {}, {}},
        {0, false, false, {"c0", "c1"}, {}},  // a second after start-up
        {999, false, false, {}, {}},
        {1000, false, false, {"c0", "c1"}, {}},
        {2000, false, false, everyPad, {}},  // 3 seconds: the XInput slots too
        {2001, false, true, everyPad, {}},
        {2002, false, false, {}, {}},
        {2500, true, false, {}, {}},  // plugged in: its clock has not come yet
        {2500, true, true, {"x0", "x1", "x2", "x3", "c0", "r0"}, {}},  // Windows tells
        {2501, true, false, {"r0"}, {Down(kA)}},
        {2502, false, false, {"r0"}, {}},  // a first failed read looks for nothing
    };
    for (const Step& step : steps) {
        platform.Now = step.now;
        platform.JoystickPresent[0] = step.present;
        platform.DeviceArrived = step.arrival;
        EXPECT_EQ(Poll(kCentre, kMin), step.sent) << step.now;
        EXPECT_EQ(platform.PadCalls, step.calls) << step.now;
    }
    EXPECT_EQ(engine->Pad.InUse, kFirstWinmmPad);
}

// Reads that fail for kPadGoneMs release every held key, key index 0 first;
// a shorter failure changes nothing.
TEST_F(PollingTest, APadGoneLongEnoughHasItsKeysReleased) {
    struct Case {
        uint32_t failedForMs;  // from the first failed read to the last
        std::string between;   // an iteration without the mapping poll just before the last
        Events atLastFailure;
        Events whenBack;  // the inputs are still held when the pad answers again
    };
    const Events releaseAll = {Up(kA), Up(kB), Up(kC)};
    const Events pressAll = {Down(kA), Down(kB), Down(kC)};
    const Case cases[] = {
        {0, "", {}, {}},
        {499, "", {}, {}},
        {500, "", releaseAll, pressAll},
        {60000, "", releaseAll, pressAll},
        // The count starts again after a capture or a pause (which released
        // the keys itself): the first failed read after it is no pad gone.
        {60000, "capture", {}, {}},
        {60000, "pause", {}, pressAll},
    };
    for (const Case& c : cases) {
        SetUp();
        Bind(InputUp, kA, kB);
        Bind(InputButton1, kC, 0);
        platform.Now = 5000;
        Poll(kCentre, kMin, 1);
        platform.ReadSucceeds = false;
        EXPECT_EQ(Poll(kCentre, kMin, 1), Events{});
        platform.Now += c.failedForMs;
        if (c.between == "capture") {
            StartCapture(engine->Controls, 0, InputDown, 0);
            Iterate();
            CancelCapture(engine->Controls);
        } else if (c.between == "pause") {
            SetControlEnabled(engine->Controls, false);
            Iterate();
            SetControlEnabled(engine->Controls, true);
        }
        EXPECT_EQ(Poll(kCentre, kMin, 1), c.atLastFailure) << c.failedForMs << c.between;
        EXPECT_EQ(engine->Keys.Latch[InputUp], c.whenBack.empty() ? LatchHeld : LatchReleased);
        platform.ReadSucceeds = true;
        // A pad gone is found again by the joystick clock, and read at the
        // poll after.
        platform.Now += kJoystickSearchMs;
        Events back = Poll(kCentre, kMin, 1);
        const Events next = Poll(kCentre, kMin, 1);
        back.insert(back.end(), next.begin(), next.end());
        EXPECT_EQ(back, c.whenBack) << c.failedForMs << c.between;
        EXPECT_EQ(Poll(kCentre, kCentre, 0), releaseAll) << c.failedForMs << c.between;
    }
}

// A successful read between two failures, or a pad found again, starts the
// count again.
TEST_F(PollingTest, AReadBetweenFailuresRestartsTheCount) {
    Bind(InputUp, kA, 0);
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
    // A pad found again starts a fresh count: a failed read after it is not
    // the old failure going on.
    platform.Now = 2000;
    platform.ReadSucceeds = true;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});
    platform.ReadSucceeds = false;
    platform.Now = 2100;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
}

// A pad gone has its keys released and every pad asked at once, after the
// key events; then the joysticks once a second. A pad found in the other port
// or with other ranges is read with its own id and thresholds. Nothing is
// mapped while none is known.
TEST_F(PollingTest, AGonePadIsLookedForAgainWithItsNewRanges) {
    Bind(InputLeft, kA, 0);
    Bind(InputRight, kB, 0);
    platform.Now = 10000;
    Poll(kMin, kCentre);  // Left held on a 0..65535 pad
    platform.JoystickPresent[0] = false;
    platform.Range[1] = {0, 255, 0, 255};  // Left below 85, Right above 170
    platform.RangeQueries.clear();
    platform.PadCallsInLog = true;
    struct Step {
        uint32_t now;
        bool present1;
        uint32_t x;
        int rangeQueries;  // in total so far
        Events sent;       // the pad calls among the key events
    };
    const Step steps[] = {
        {10000, false, kMin, 0, {"r0"}},
        {10499, false, kMin, 0, {"r0"}},
        {10500, false, kMin, 2, {"r0", Up(kA), "x0", "x1", "x2", "x3", "c0", "c1"}},
        {10500, false, kMin, 2, {}},
        {11499, false, kMin, 2, {}},
        {11500, false, kMin, 4, {"c0", "c1"}},  // a second later
        {11600, true, 200, 4, {}},              // plugged into port 1: found at the next attempt
        {12500, true, 200, 6, {"c0", "c1", "r1"}},
        {12501, true, 200, 6, {"r1", Down(kB)}},
        {12600, true, 100, 6, {"r1", Up(kB)}},  // neutral on the new ranges
        {12700, true, 84, 6, {"r1", Down(kA)}},
    };
    for (const Step& step : steps) {
        platform.Now = step.now;
        platform.JoystickPresent[1] = step.present1;
        EXPECT_EQ(Poll(step.x, 128), step.sent) << step.now;
        EXPECT_EQ(static_cast<int>(platform.RangeQueries.size()), step.rangeQueries) << step.now;
    }
    EXPECT_EQ(engine->Pad.InUse, kFirstWinmmPad + 1);
    EXPECT_EQ(engine->Pad.Thresholds.XLow, 85);
}

// The pad in use is read alone while it answers: no other pad is asked, not
// on the clocks and not when Windows reports a device arriving, so a pad or a
// virtual pad coming up never takes over. Once it is gone the first pad in
// discovery order that answers is read.
TEST_F(PollingTest, ThePadInUseStaysWhileItAnswers) {
    struct Step {
        uint32_t now;
        int xinputUser;  // the one XInput pad connected, -1 none
        bool present0, present1, arrival;
        Events log;  // the pad calls among the key events
        uint8_t pad;
    };
    const uint8_t joystick1 = kFirstWinmmPad + 1;
    const Step steps[] = {
        {0, -1, false, true, false, {"r1", Down(kA)}, joystick1},
        {3000, -1, false, true, false, {"r1"}, joystick1},
        {3001, 3, true, true, true, {"r1"}, joystick1},
        {9000, 3, true, true, false, {"r1"}, joystick1},
        {9001, 3, true, false, false, {"r1"}, joystick1},  // failing: the key stays down
        {9501, 3, true, false, false, {"r1", Up(kA), "x0", "x1", "x2", "x3"}, 3},
        {9502, 3, true, false, false, {"x3", Down(kA)}, 3},
    };
    platform.JoystickPresent[0] = false;
    platform.JoystickPresent[1] = true;
    platform.XPad = {0, 0, 0, 0, 32767};  // Up, as the joysticks read
    engine = std::make_unique<Engine>(*table, options, platform, events);
    ASSERT_TRUE(engine->DetectPad());
    Bind(InputUp, kA, 0);
    platform.PadCallsInLog = true;
    for (const Step& step : steps) {
        platform.Now = step.now;
        for (int user = 0; user < 4; ++user) {
            platform.XInputConnected[user] = user == step.xinputUser;
        }
        platform.JoystickPresent[0] = step.present0;
        platform.JoystickPresent[1] = step.present1;
        platform.DeviceArrived = step.arrival;
        EXPECT_EQ(Poll(kCentre, kMin), step.log) << step.now;
        EXPECT_EQ(engine->Pad.InUse, step.pad) << step.now;
    }
}

// A driver that refuses the hat request costs a second read once: the hat is
// not asked for again while that pad is read, and asked again of a pad found
// anew.
TEST_F(PollingTest, ARefusedHatRequestIsDroppedForThatPad) {
    struct Step {
        uint32_t now;
        bool present, refuses;
        Events calls;
        HatRequest asked;  // by the last read
    };
    const Step steps[] = {
        {1, true, true, {"r0"}, HatNotAsked},
        {2, true, false, {"r0"}, HatNotAsked},
        {3, false, false, {"r0"}, HatNotAsked},
        {503, false, false, {"r0", "x0", "x1", "x2", "x3", "c0", "c1"}, HatNotAsked},
        {1503, true, false, {"c0", "r0"}, HatInHundredths},  // found anew
        {1504, true, false, {"r0"}, HatInHundredths},
    };
    platform.Range[0] = {0, 65535, 0, 65535, true, true};
    platform.RefusesHat[0] = true;
    engine = std::make_unique<Engine>(*table, options, platform, events);
    ASSERT_TRUE(engine->DetectPad());
    EXPECT_EQ(platform.Hat, HatInHundredths);
    EXPECT_EQ(engine->Pad.Hat, HatNotAsked);
    for (const Step& step : steps) {
        platform.Now = step.now;
        platform.JoystickPresent[0] = step.present;
        platform.RefusesHat[0] = step.refuses;
        Poll(kCentre, kCentre, 0, 0);
        EXPECT_EQ(platform.PadCalls, step.calls) << step.now;
        EXPECT_EQ(platform.Hat, step.asked) << step.now;
    }
}

}  // namespace
