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

// Inputs bound to actions drive mapper itself. Button 1 sends A in set 0, B
// in set 1 and C in set 2; each row binds actions to buttons 2 to 5, which
// also have key D in every set, never sent while an action is bound.
TEST_F(PollingTest, PadActionsSwitchSetsAndPause) {
    constexpr uint32_t b1 = 1, b2 = 2, b3 = 4, b4 = 8, b5 = 16;
    const std::string paused = "paused", resumed = "resumed";
    auto set = [](int index) { return FakeEngineEvents::SetChanged(index); };
    struct Step {
        uint32_t buttons;
        Events sent;
        std::function<void()> before = nullptr;
    };
    struct Binding {
        int set, input;
        int32_t action;
    };
    struct Row {
        const char* name;
        std::vector<Binding> actions;
        std::vector<Step> steps;
    };
    const int32_t next = ActionNext, prev = ActionPrev, pause = ActionPause;
    const int b2In = InputButton1 + 1, b3In = InputButton1 + 2, b4In = InputButton1 + 3;
    const int b5In = InputButton1 + 4;
    const Row rows[] = {
        {"next and previous wrap; a held key keeps its code",
         {{0, b2In, next}, {1, b2In, next}, {2, b2In, next}, {0, b3In, prev}, {2, b3In, prev}},
         {{b3, {set(2)}},
          {b3, {}},
          {0, {}},
          {b2, {set(0)}},
          {b1 | b2, {Down(kA)}},
          {b1, {}},
          {b1 | b2, {set(1)}},
          {b2, {Up(kA)}},
          {b1 | b2, {Down(kB)}}}},
        {"hold and release with a key held across both",
         {{0, b4In, HoldAction(2)}},
         {{b1, {Down(kA)}},
          {b1 | b4, {set(2)}},
          {b4, {Up(kA)}},
          {b1 | b4, {Down(kC)}},
          {b1, {set(0)}},
          {0, {Up(kC)}}}},
        {"the held set binds the same input otherwise",
         {{0, b4In, HoldAction(2)}, {2, b4In, next}},
         {{b4, {set(2)}}, {b4, {}}, {0, {set(0)}}, {b4, {set(2)}}}},
        {"the follower's choice comes back at the release",
         {{0, b4In, HoldAction(2)}},
         {{b4, {set(2)}},
          {b4, {}, [this] { EXPECT_TRUE(DeferSetToHoldRelease(engine->Controls, 1)); }},
          {0, {set(1)}},
          {0, {}, [this] { EXPECT_FALSE(DeferSetToHoldRelease(engine->Controls, 0)); }}}},
        {"hold beyond the table", {{0, b4In, HoldAction(3)}}, {{b4, {}}, {0, {}}}},
        {"an action wins over rapid fire",
         {{0, b2In, next}},
         {{b2, {set(1)}, [this] { table->RapidFire[0][InputButton1 + 1] = 10; }},
          {b2, {}},
          {0, {}}}},
        {"pause and resume",
         {{0, b5In, pause}, {1, b5In, next}},
         {{b1, {Down(kA)}},
          {b1 | b5, {paused}},
          {b1 | b5, {Up(kA)}},
          {b1, {}},
          {b1 | b5, {resumed}},
          {b1 | b5, {Down(kA)}},
          {b1, {}},
          {0, {Up(kA)}}}},
        {"no action during a capture",
         {{0, b2In, next}},
         {{b2, {}, [this] { BeginCapture(InputUp, 0); }},
          {0, {}},
          {0, {}, [this] { CancelCapture(engine->Controls); }},
          {b2, {set(1)}}}},
    };
    for (const Row& row : rows) {
        Restart();
        table->SetKeyCount = 2;
        Bind(InputButton1, kA, 0, 0);
        Bind(InputButton1, kB, 0, 1);
        Bind(InputButton1, kC, 0, 2);
        for (const Binding& binding : row.actions) {
            Bind(binding.input, kD, 0, binding.set);
            table->Actions[binding.set][binding.input] = binding.action;
        }
        for (size_t i = 0; i < row.steps.size(); ++i) {
            const Step& step = row.steps[i];
            if (step.before) {
                step.before();
            }
            EXPECT_EQ(Poll(kCentre, kCentre, step.buttons), step.sent)
                << row.name << ", step " << i;
        }
    }
}
