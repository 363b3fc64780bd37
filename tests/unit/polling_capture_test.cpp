// Polling tests: the capture: what it takes, what it never takes, its end and its cancel.
#include "tests/unit/polling_fixture.h"

namespace {

TEST_F(PollingTest, CaptureStoresTheHighestPressedKeyAndEndsOnce) {
    SelectSet(*table, 1);
    BeginCapture(InputButton16, 1);
    SelectSet(*table, 0);  // the follower switched meanwhile: the key still goes to set 1
    platform.KeyStates[kA] = 0x01;
    platform.KeyStates[kZ] = 0x80;  // any nonzero low byte counts
    EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(kZ)});
    EXPECT_EQ(platform.KeyQueries, 256);
    EXPECT_EQ(table->Keys[1][InputButton16][1], kZ);
    EXPECT_EQ(table->Keys[0][InputButton16][1], 0);
    EXPECT_EQ(engine->Controls.Mode, EngineMapping);
}

TEST_F(PollingTest, KeysPressedBeforeTheCaptureAreNotTakenForIt) {
    platform.KeyStates[kA] = 1;  // pressed while mapping: nobody asked since
    StartCapture(engine->Controls, 0, InputUp, 0);
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(engine->Controls.Mode, EngineCapturing);
    platform.KeyStates[kB] = 1;
    EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(kB)});
    EXPECT_EQ(table->Keys[0][InputUp][0], kB);

    // A capture cancelled and started again before the polling thread looked
    // still forgets what came before it.
    StartCapture(engine->Controls, 0, InputUp, 1);
    CancelCapture(engine->Controls);
    platform.KeyStates[kC] = 1;
    StartCapture(engine->Controls, 0, InputUp, 1);
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(table->Keys[0][InputUp][1], 0);
}

TEST_F(PollingTest, MouseButtonsAndInputMethodKeysAreNeverCaptured) {
    const int never[] = {0x01, 0x02, 0x04, 0xF0, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xFB, 0x100};
    BeginCapture(InputUp, 0);
    for (int code : never) {
        platform.KeyStates[code] = 1;
    }
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(engine->Controls.Mode, EngineCapturing);
    EXPECT_EQ(table->Keys[0][InputUp][0], 0);

    for (int code : {0x03, 0x05, 0x06, 0xF1}) {
        BeginCapture(InputUp, 0);
        platform.KeyStates[code] = 1;
        EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(code)});
        EXPECT_EQ(table->Keys[0][InputUp][0], code);
    }
}

TEST_F(PollingTest, CaptureOutsideTheTableWritesNothing) {
    struct Case {
        int32_t input, key, activeSet, highestSet;
    };
    const Case cases[] = {
        {24, 0, 0, 1}, {-1, 0, 0, 1}, {0, 2, 0, 1}, {0, -1, 0, 1}, {0, 0, 0, -1}, {0, 0, 2, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        table->SetKeyCount = c.highestSet;
        table->ActiveSet = c.activeSet;
        BeginCapture(c.input, c.key);
        platform.KeyStates[kA] = 1;
        EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(kA)});
        EXPECT_EQ(engine->Controls.Mode, EngineMapping);
        for (int set = 0; set < 3; ++set) {
            for (int input = 0; input < kInputCount; ++input) {
                EXPECT_EQ(table->Keys[set][input][0] + table->Keys[set][input][1], 0);
            }
        }
    }
}

TEST_F(PollingTest, CancelEndsACaptureWithoutAKey) {
    StartCapture(engine->Controls, 0, InputUp, 0);
    CancelCapture(engine->Controls);
    platform.KeyStates[kA] = 1;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
    EXPECT_EQ(table->Keys[0][InputUp][0], 0);
}

TEST_F(PollingTest, CaptureWhileHeldReleasesTheOldKey) {
    Bind(InputUp, kA, 0);
    Poll(kCentre, kMin);
    BeginCapture(InputUp, 0);
    platform.KeyStates[kZ] = 1;
    EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(kZ)});  // keys stay down while capturing
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(kA)});
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(kZ)});
}

}  // namespace
