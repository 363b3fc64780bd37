// Polling tests: the pad: discovery, failed reads and a pad gone and found again.
#include "tests/unit/polling_fixture.h"

namespace {

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

}  // namespace
