// Polling tests: the capture: what it takes, what it never takes, its end and its cancel.
#include "tests/unit/polling_fixture.h"

namespace {

TEST_F(PollingTest, CaptureStoresEveryPressedKeySoTheHighestStays) {
    SelectSet(*table, 1);
    BeginCapture(SlotButton16, 1);
    SelectSet(*table, 0);  // the follower switched meanwhile: the key still goes to set 1
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
    StartCapture(engine, 0, SlotUp, 0);
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(Iterate(), Events{});
    EXPECT_EQ(engine.EngineMode, EngineCapturing);
    platform.KeyStates[kB] = 1;
    EXPECT_EQ(Iterate(), kCaptureEnd);
    EXPECT_EQ(table->Keys[0][SlotUp][0], kB);

    // A capture cancelled and started again before the polling thread looked
    // still forgets what came before it.
    StartCapture(engine, 0, SlotUp, 1);
    CancelCapture(engine, platform);
    platform.KeyStates[kC] = 1;
    StartCapture(engine, 0, SlotUp, 1);
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
    StartCapture(engine, 0, SlotUp, 0);
    CancelCapture(engine, platform);
    EXPECT_EQ(platform.Log, Events({"show", "enable", "hide"}));
    platform.KeyStates[kA] = 1;
    EXPECT_EQ(Poll(kCentre, kCentre), Events{});
    EXPECT_EQ(table->Keys[0][SlotUp][0], 0);
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

}  // namespace
