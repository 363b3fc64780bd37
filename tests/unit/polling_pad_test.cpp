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

TEST_F(PollingTest, AJoystickPluggedInLaterIsFoundByRetries) {
    engine = std::make_unique<Engine>(*table, options, platform, events);
    platform.JoystickPresent[0] = false;
    platform.RangeQueries.clear();
    platform.Now = 0xFFFFFE00u;  // the clock wraps during the test
    ASSERT_FALSE(engine->DetectPad());
    Bind(InputUp, kA, 0);
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
        EXPECT_EQ(Poll(kCentre, kMin, 1), c.whenBack) << c.failedForMs << c.between;
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
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kA)});
    platform.ReadSucceeds = false;
    platform.Now = 2100;
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
}

// After the pad is gone discovery runs about once a second, one attempt per
// iteration at most, and a pad found in the other port or with other ranges
// is read with its own id and thresholds. Nothing is mapped while none is known.
TEST_F(PollingTest, AGonePadIsLookedForAgainWithItsNewRanges) {
    Bind(InputLeft, kA, 0);
    Bind(InputRight, kB, 0);
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
    EXPECT_EQ(engine->Pad.InUse, kFirstWinmmPad + 1);
    EXPECT_EQ(engine->Pad.Thresholds.XLow, 85);
}

// A pad that is not first in discovery order is read while the earlier ones
// are asked again, one per poll, a round a second; the first that answers
// takes over, every held key released first.
TEST_F(PollingTest, AnEarlierPadThatAnswersTakesOver) {
    struct Step {
        uint32_t now;
        int xinputUser;  // the one XInput pad connected, -1 none
        bool present0, readsFail0;
        Events calls, sent;
        uint8_t pad;
    };
    const uint8_t joystick0 = kFirstWinmmPad, joystick1 = kFirstWinmmPad + 1;
    const Step steps[] = {
        {0, -1, false, false, {"r1"}, {Down(kA)}, joystick1},
        {999, -1, false, false, {"r1"}, {}, joystick1},
        {1000, -1, false, false, {"x0", "r1"}, {}, joystick1},
        {1001, -1, false, false, {"x1", "r1"}, {}, joystick1},
        {1002, -1, false, false, {"x2", "r1"}, {}, joystick1},
        {1003, -1, false, false, {"x3", "r1"}, {}, joystick1},
        // Joystick 0 answers its capabilities call, but not a read.
        {1004, -1, true, true, {"c0", "r0", "r1"}, {}, joystick1},
        {1005, -1, true, true, {"r1"}, {}, joystick1},  // the round is over
        {2003, -1, true, false, {"x0", "r1"}, {}, joystick1},
        {2004, -1, true, false, {"x1", "r1"}, {}, joystick1},
        {2005, -1, true, false, {"x2", "r1"}, {}, joystick1},
        {2006, -1, true, false, {"x3", "r1"}, {}, joystick1},
        {2007, -1, true, false, {"c0", "r0", "r0"}, {Up(kA), Down(kA)}, joystick0},
        {2008, 3, true, false, {"r0"}, {}, joystick0},
        {3007, 3, true, false, {"x0", "r0"}, {}, joystick0},  // a second after the switch
        {3008, 3, true, false, {"x1", "r0"}, {}, joystick0},
        {3009, 3, true, false, {"x2", "r0"}, {}, joystick0},
        {3010, 3, true, false, {"x3", "x3"}, {Up(kA), Down(kA)}, 3},
    };
    platform.JoystickPresent[0] = false;
    platform.JoystickPresent[1] = true;
    platform.XPad = {0, 0, 0, 0, 32767};  // Up, as the joysticks read
    engine = std::make_unique<Engine>(*table, options, platform, events);
    ASSERT_TRUE(engine->DetectPad());
    Bind(InputUp, kA, 0);
    for (const Step& step : steps) {
        platform.Now = step.now;
        for (int user = 0; user < 4; ++user) {
            platform.XInputConnected[user] = user == step.xinputUser;
        }
        platform.JoystickPresent[0] = step.present0;
        platform.ReadsFailWith[0] = step.readsFail0;
        EXPECT_EQ(Poll(kCentre, kMin), step.sent) << step.now;
        EXPECT_EQ(platform.PadCalls, step.calls) << step.now;
        EXPECT_EQ(engine->Pad.InUse, step.pad) << step.now;
    }
}

}  // namespace
