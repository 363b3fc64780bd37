#include "mapper/engine/joystick.h"
#include "mapper/engine/polling.h"
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

TEST(Joystick, DetectAsksJoystickZeroThenOne) {
    struct Case {
        bool present0, present1;
        bool found;
        uint8_t id;
        std::vector<int> asked;
        int32_t xLow;  // 85 from joystick 0 (0..255), 33 from joystick 1 (0..100), else kept
    };
    const Case cases[] = {
        {true, true, true, 0, {0}, 85},
        {false, true, true, 1, {0, 1}, 33},
        {false, false, false, 1, {0, 1}, -7},
    };
    for (const Case& c : cases) {
        FakeEnginePlatform platform;
        platform.JoystickPresent[0] = c.present0;
        platform.JoystickPresent[1] = c.present1;
        platform.Range[0] = {0, 255, 0, 255};
        platform.Range[1] = {0, 100, 0, 100};
        EngineState engine;
        ResetEngine(engine);
        engine.Thresholds = {-7, -7, -7, -7};

        EXPECT_EQ(DetectJoystick(engine, platform), c.found);
        EXPECT_EQ(engine.Pad == PadReading, c.found);
        EXPECT_EQ(engine.JoystickId, c.id);
        EXPECT_EQ(platform.RangeQueries, c.asked);
        EXPECT_EQ(engine.Thresholds.XLow, c.xLow);
    }
}

}  // namespace
