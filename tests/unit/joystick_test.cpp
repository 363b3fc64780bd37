#include "mapper/engine/joystick.h"
#include "mapper/engine/engine.h"
#include "tests/support/fake_engine_platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Joystick, ThresholdsCutEachAxisIntoThirdsWithWrappingArithmetic) {
    struct Case {
        uint32_t min, max;
        int32_t low, high;
    };
    const Case cases[] = {
        {0, 65535, 21845, 43690},
        {0, 255, 85, 170},
        {0, 100, 33, 67},
        {0, 2, 0, 2},
        {5, 5, 5, 5},
        // A maximum below the minimum wraps modulo 2^32 and is kept as it comes.
        {100, 10, 1431655835, -1431655725},
        // The unsigned top of the range becomes a negative signed threshold.
        {0, 0xFFFFFFFFu, 0x55555555, static_cast<int32_t>(0xAAAAAAAAu)},
    };
    for (const Case& c : cases) {
        // X gets the case, Y a fixed range, so the axes are shown independent.
        const AxisThresholds t = ComputeThresholds({c.min, c.max, 0, 300});
        EXPECT_EQ(t.XLow, c.low) << c.min << ".." << c.max;
        EXPECT_EQ(t.XHigh, c.high) << c.min << ".." << c.max;
        EXPECT_EQ(t.YLow, 100);
        EXPECT_EQ(t.YHigh, 200);
        const AxisThresholds y = ComputeThresholds({0, 300, c.min, c.max});
        EXPECT_EQ(y.YLow, c.low) << c.min << ".." << c.max;
        EXPECT_EQ(y.YHigh, c.high) << c.min << ".." << c.max;
    }
}

// XInput users 0 to 3, then joysticks 0 and 1; a joystick counts only when
// its read answers as well as its capabilities, and is read with the hat its
// capabilities report (JOYCAPS_HASPOV, JOYCAPS_POVCTS).
TEST(Joystick, DetectAsksThePadsInOrder) {
    struct Case {
        bool xinput2, present0, present1, readFails0;
        bool hasHat0, hatInHundredths0;
        bool found;
        uint8_t pad;
        Events asked;
        int32_t xLow;  // 85 from joystick 0 (0..255), 33 from joystick 1 (0..100), else kept
        HatRequest hat;
    };
    const uint8_t j0 = kFirstWinmmPad, j1 = kFirstWinmmPad + 1;
    auto after = [](Events tail) {
        tail.insert(tail.begin(), {"x0", "x1", "x2", "x3"});
        return tail;
    };
    const Case cases[] = {
        {false, true, true, false, false, false, true, j0, after({"c0", "r0"}), 85, HatNotAsked},
        {false, false, true, false, false, false, true, j1, after({"c0", "c1", "r1"}), 33,
         HatNotAsked},
        {false, false, false, false, false, false, false, 0, after({"c0", "c1"}), -7, HatNotAsked},
        {false, true, true, true, false, false, true, j1, after({"c0", "r0", "c1", "r1"}), 33,
         HatNotAsked},
        {false, true, false, true, false, false, false, 0, after({"c0", "r0", "c1"}), -7,
         HatNotAsked},
        {true, true, true, false, false, false, true, 2, {"x0", "x1", "x2"}, -10923, HatNotAsked},
        {false, true, false, false, true, false, true, j0, after({"c0", "r0"}), 85, HatInSteps},
        {false, true, false, false, true, true, true, j0, after({"c0", "r0"}), 85, HatInHundredths},
        {false, true, false, false, false, true, true, j0, after({"c0", "r0"}), 85, HatNotAsked},
    };
    for (const Case& c : cases) {
        FakeEnginePlatform platform;
        platform.XInputConnected[2] = c.xinput2;
        platform.JoystickPresent[0] = c.present0;
        platform.JoystickPresent[1] = c.present1;
        platform.ReadsFailWith[0] = c.readFails0;
        platform.Range[0] = {0, 255, 0, 255, c.hasHat0, c.hatInHundredths0};
        platform.Range[1] = {0, 100, 0, 100};
        FakeEngineEvents events(platform.Log);
        KeySetTable table{};
        MapperOptions options{};
        Engine engine(table, options, platform, events);
        engine.Pad.Thresholds = {-7, -7, -7, -7};

        EXPECT_EQ(engine.DetectPad(), c.found);
        EXPECT_EQ(engine.Pad.State == PadReading, c.found);
        if (c.found) {
            EXPECT_EQ(engine.Pad.InUse, c.pad);
            EXPECT_EQ(engine.Pad.Hat, c.hat);
            EXPECT_EQ(platform.Hat, c.hat);
        }
        EXPECT_EQ(platform.PadCalls, c.asked);
        EXPECT_EQ(engine.Pad.Thresholds.XLow, c.xLow);
    }
}

}  // namespace
