// Polling tests: pause, set switches while keys are held, and the stop at exit.
#include "tests/unit/polling_fixture.h"

namespace {

// Held keys are released with the codes that were pressed, even when the
// active set changed meanwhile.
TEST_F(PollingTest, SetSwitchWhileHeldReleasesThePressedCodes) {
    Bind(InputUp, kA, kB, 0);
    Bind(InputUp, kC, kD, 1);
    Poll(kCentre, kMin);
    SelectSet(*table, 1);
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre), Events({Up(kA), Up(kB)}));
    EXPECT_EQ(Poll(kCentre, kMin), Events({Down(kC), Down(kD)}));
}

TEST_F(PollingTest, RapidSetSwitchLetsGoOfCodesNoLongerBound) {
    options.KeyDownMode = KeyDownRapid;
    Bind(InputUp, kA, kB, 0);
    Bind(InputUp, kB, kC, 1);  // B stays bound, A is replaced by C
    Poll(kCentre, kMin);
    SelectSet(*table, 1);
    EXPECT_EQ(Poll(kCentre, kMin), Events({Up(kA), Down(kB), Down(kC)}));
    EXPECT_EQ(Poll(kCentre, kCentre), Events({Up(kB), Up(kC)}));
}

TEST_F(PollingTest, PauseReleasesHeldKeysAndSendsNothingUntilResumed) {
    Bind(InputUp, kA, kB);
    Bind(InputButton1, kC, 0);
    Poll(kCentre, kMin, 1);
    EXPECT_TRUE(platform.RestsFine);
    SetControlEnabled(engine->Controls, false);
    EXPECT_EQ(Poll(kCentre, kMin, 1), Events({Up(kA), Up(kB), Up(kC)}));
    EXPECT_FALSE(platform.RestsFine) << "the 1 ms tick is given back while paused";
    const int readsWhenPaused = platform.Reads;
    EXPECT_EQ(Poll(kCentre, kMax, 3), Events{});
    EXPECT_EQ(Poll(kCentre, kCentre, 0), Events{});
    EXPECT_EQ(platform.Reads, readsWhenPaused);

    // A capture still completes while paused.
    BeginCapture(InputDown, 0);
    platform.KeyStates[kZ] = 1;
    EXPECT_EQ(Iterate(), Events{FakeEngineEvents::Captured(kZ)});

    SetControlEnabled(engine->Controls, true);
    EXPECT_EQ(Poll(kCentre, kMax, 1), Events({Down(kZ), Down(kC)}));
    EXPECT_TRUE(platform.RestsFine);
}

// The stop is the polling thread's: it releases every held key and sends
// nothing more. Only where no polling thread ran does the caller release.
TEST_F(PollingTest, StopIsHandledByThePollingThread) {
    Bind(InputUp, kA, kB);
    Poll(kCentre, kMin);
    RequestStop(engine->Controls);
    EXPECT_EQ(Iterate(), Events({Up(kA), Up(kB)}));
    EXPECT_FALSE(platform.RestsFine) << "the 1 ms tick is given back at exit";
    EXPECT_FALSE(engine->RunIteration());
    EXPECT_EQ(Poll(kCentre, kMin), Events{});
}

TEST_F(PollingTest, StopWithoutAPollingThreadIsTheCallers) {
    Bind(InputUp, kA, kB);
    Poll(kCentre, kMin);
    RequestStop(engine->Controls);
    platform.Log.clear();
    engine->ReleaseHeldKeys();
    EXPECT_EQ(platform.Log, Events({Up(kA), Up(kB)}));
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
    Bind(InputUp, kA, kB);
    options.SetSleep = 2;
    options.KeyDownMode = KeyDownRapid;
    platform.Reading = {kCentre, kMin, 0, 0};
    std::thread polling([this] { engine->Run(); });
    RealTimePlatform caller;
    for (int i = 0; i < 2000 && platform.KeysSent < 4; ++i) {
        caller.Rest(1);
    }
    RequestStop(engine->Controls);
    polling.join();
    ASSERT_GE(platform.Log.size(), 4u);
    EXPECT_EQ(Events(platform.Log.end() - 2, platform.Log.end()), Events({Up(kA), Up(kB)}));
    EXPECT_EQ(caller.Log, Events{});
}

// Every pause releases what is held at that moment, not only the first one.
TEST_F(PollingTest, EachPauseReleasesWhatIsHeldThen) {
    Bind(InputUp, kA, 0);
    Bind(InputButton1, kB, 0);
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
        SetControlEnabled(engine->Controls, step.enabled);
        EXPECT_EQ(Poll(kCentre, step.y, step.buttons), step.sent)
            << step.enabled << " " << step.y << " " << step.buttons;
    }
}

}  // namespace
