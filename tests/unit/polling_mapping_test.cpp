// Polling tests: the mapping poll: modes, buttons, the stick and the hat, event order and scan
// codes.
#include "tests/unit/polling_fixture.h"

namespace {

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
            Bind(InputButton1 + button - 1, kA, kB);
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
    for (int slot = InputButton1; slot <= InputButton16; ++slot) {
        Bind(slot, kA + slot - InputButton1, 0);  // buttons 1 to 16: A to P
    }
    const int kI = kA + 8, kJ = kA + 9, kP = kA + 15;
    struct Step {
        uint32_t buttons;
        bool shown;
        Events sent;
        std::vector<uint32_t> posted;
    };
    const Step steps[] = {
        {0x0001, true, {Down(kA)}, {1u << InputButton1}},
        {0x0001, true, {}, {}},
        {0x0100, true, {Up(kA), Down(kI)}, {1u << InputButton9}},
        {0x0200, true, {Up(kI), Down(kJ)}, {1u << (InputButton9 + 1)}},
        {0x8000, false, {Up(kJ), Down(kP)}, {}},
        {0x8000, true, {}, {1u << InputButton16}},
        {0x10000, true, {Up(kP)}, {0}},  // bit 16 is no button
        {0, true, {}, {}},
    };
    for (const Step& step : steps) {
        events.WindowShown = step.shown;
        events.Inputs.clear();
        EXPECT_EQ(Poll(kCentre, kCentre, step.buttons), step.sent) << std::hex << step.buttons;
        EXPECT_EQ(events.Inputs, step.posted) << std::hex << step.buttons;
    }
}

TEST_F(PollingTest, KeyDownModeIsReadWhenALatchIsSet) {
    Bind(InputUp, kA, 0);
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
    Bind(InputUp, kA, kB);
    Bind(InputDown, kC, kD);
    Bind(InputButton1, 0x31, 0x32);
    Bind(InputButton1 + 1, 0x33, 0);
    Bind(InputLeft, 0, 0);
    Bind(InputRight, 0, kZ);
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
            EXPECT_EQ(engine->Keys.Latch[InputLeft], LatchHeld);
        }
    }
    EXPECT_EQ(engine->Keys.Latch[InputLeft], LatchReleased);
}

TEST_F(PollingTest, OnlyTheLowByteOfAnEntryIsSent) {
    Bind(InputUp, 0x141, 0);
    EXPECT_EQ(Poll(kCentre, kMin), Events{Down(0x41)});
    EXPECT_EQ(Poll(kCentre, kCentre), Events{Up(0x41)});
}

TEST_F(PollingTest, OtherModesOnlyRest) {
    Bind(InputUp, kA, 0);
    options.SetSleep = 7;
    for (int32_t mode : {0, 3, -1}) {
        engine->Controls.Mode = mode;
        platform.KeyStates[kA] = 1;
        platform.Rests.clear();
        EXPECT_EQ(Poll(kCentre, kMin), Events{});
        EXPECT_EQ(platform.Rests, std::vector<uint32_t>{7});
        EXPECT_EQ(platform.Reads, 1);  // discovery's, at start
        EXPECT_EQ(platform.KeyQueries, 0);
    }
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
        Bind(InputUp, kA, 0);
        Bind(InputDown, kB, 0);
        Bind(InputLeft, kC, 0);
        Bind(InputRight, kD, 0);
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
    Bind(InputUp, kA, kB);
    Bind(InputLeft, kC, 0);
    Bind(InputDown, kD, 0);
    for (const Step& step : steps) {
        EXPECT_EQ(Poll(kCentre, step.y, 0, step.pov), step.sent) << step.y << " pov " << step.pov;
    }
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
             SetControlEnabled(engine->Controls, false);
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
             platform.ScanLog.clear();
             engine->ReleaseHeldKeys();
         }},
    };
    for (const Case& c : cases) {
        SetUp();
        options.KeyDownMode = c.mode;
        Bind(InputUp, kA, kCursorUp, 0);
        Bind(InputUp, kZ, 0, 1);
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
    Bind(InputButton1, kA, 0);
    platform.Layout[kA] = {0x1E, false};
    Poll(kCentre, kCentre, 1);
    platform.Layout[kA] = {0x10, false};
    Poll(kCentre, kCentre, 1);
    Poll(kCentre, kCentre, 0);
    EXPECT_EQ(platform.ScanLog, Events({"down 41 scan 1E", "down 41 scan 1E", "up 41 scan 1E"}));
}

// The XInput pad as the winmm pad the key sets were made for: the left stick
// with Y growing upwards cut into thirds of -32768..32767, the D-pad OR-ed
// with it, the buttons numbered as winmm numbers them, the triggers above 30.
TEST_F(PollingTest, AnXInputPadDrivesTheInputsOfItsWinmmNumbering) {
    struct Case {
        XInputPad pad;
        Events sent;  // Up A, Down B, Left C, Right D, button n key 0x30 + n
    };
    const uint16_t up = 1, down = 2, left = 4, right = 8;
    const Case cases[] = {
        {{0, 0, 0, -10923, 10922}, {}},
        {{0, 0, 0, -10924, 10923}, {Down(kA), Down(kC)}},
        {{0, 0, 0, 10922, -10923}, {}},
        {{0, 0, 0, 10923, -10924}, {Down(kB), Down(kD)}},
        {{up | right, 0, 0, 0, 0}, {Down(kA), Down(kD)}},
        {{down | left, 0, 0, 0, 0}, {Down(kB), Down(kC)}},
        {{up | down, 0, 0, 0, 0}, {}},  // opposite ends cancel, as on a hat
        {{up, 0, 0, 0, 32767}, {Down(kA)}},
        {{0, 30, 30, 0, 0}, {}},
        {{0, 31, 0, 0, 0}, {Down(0x3B)}},
        {{0, 0, 31, 0, 0}, {Down(0x3C)}},
        // Every bit and both triggers: buttons 13 to 16 stay idle.
        {{0xFFFF, 255, 255, 0, 0},
         {Down(0x31), Down(0x32), Down(0x33), Down(0x34), Down(0x35), Down(0x36), Down(0x37),
          Down(0x38), Down(0x39), Down(0x3A), Down(0x3B), Down(0x3C)}},
    };
    // A, B, X, Y, LB, RB, Back, Start and the stick clicks are buttons 1 to 10.
    const uint16_t buttonBits[] = {0x1000, 0x2000, 0x4000, 0x8000, 0x0100,
                                   0x0200, 0x0020, 0x0010, 0x0040, 0x0080};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (int i = 0; i < 10; ++i) {
        all.push_back({{buttonBits[i], 0, 0, 0, 0}, {Down(static_cast<uint8_t>(0x31 + i))}});
    }
    for (const Case& c : all) {
        SetUp();
        platform.XInputConnected[0] = true;
        ASSERT_TRUE(engine->DetectPad());
        Bind(InputUp, kA, 0);
        Bind(InputDown, kB, 0);
        Bind(InputLeft, kC, 0);
        Bind(InputRight, kD, 0);
        for (int button = 1; button <= 16; ++button) {
            Bind(InputButton1 + button - 1, 0x30 + button, 0);
        }
        platform.XPad = c.pad;
        EXPECT_EQ(Iterate(), c.sent)
            << c.pad.buttons << " " << c.pad.thumbLX << "," << c.pad.thumbLY;
    }
}

}  // namespace

// Rapid fire ("連射") and the shortest press, poll by poll on the clock:
// button 1 binds A (set 0, at `rate`) and Z (set 1, no rapid fire).
TEST_F(PollingTest, RapidFireAndTheShortestPressFollowTheClock) {
    struct Step {
        uint32_t ms, buttons;
        Events sent;
        int32_t set = 0;  // the active set at this poll
    };
    struct Case {
        const char* name;
        uint8_t rate, mode, minPress;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        // round(1000 / 30) = 33: 17 down, 16 up; let go in an up phase. It
        // overrides "連打モード": nothing at the polls in between.
        {
            "30 a second",
            30,
            KeyDownRapid,
            0,
            {{0, 1, {Down(kA)}},
             {16, 1, {}},
             {17, 1, {Up(kA)}},
             {32, 1, {}},
             {33, 1, {Down(kA)}},
             {50, 1, {Up(kA)}},
             {55, 0, {}},
             {70, 1, {Down(kA)}}},
        },
        // round(1000 / 7) = 143: 72 down, 71 up; let go in a down phase.
        {"7 a second",
         7,
         KeyDownNormal,
         0,
         {{0, 1, {Down(kA)}},
          {71, 1, {}},
          {72, 1, {Up(kA)}},
          {142, 1, {}},
          {143, 1, {Down(kA)}},
          {150, 0, {Up(kA)}},
          {300, 0, {}}}},
        // The rate and the codes stay those of the set active at the press.
        {"set switched while held",
         10,
         KeyDownNormal,
         0,
         {{0, 1, {Down(kA)}},
          {50, 1, {Up(kA)}, 1},
          {100, 1, {Down(kA)}, 1},
          {120, 0, {Up(kA)}, 1},
          {130, 1, {Down(kZ)}, 1},
          {500, 0, {Up(kZ)}, 1}}},
        // A quick tap is held for the shortest press; pressed again before
        // then, the key simply stays down.
        {"quick tap",
         0,
         KeyDownNormal,
         30,
         {{0, 1, {Down(kA)}},
          {5, 0, {}},
          {29, 0, {}},
          {30, 0, {Up(kA)}},
          {40, 1, {Down(kA)}},
          {45, 0, {}},
          {50, 1, {}},
          {80, 0, {Up(kA)}}}},
        // A down phase lasts the shortest press when that is longer; the up
        // phase keeps its 16 ms; a release waits for it too.
        {"rapid fire with a shortest press",
         30,
         KeyDownNormal,
         25,
         {{0, 1, {Down(kA)}},
          {17, 1, {}},
          {25, 1, {Up(kA)}},
          {40, 1, {}},
          {41, 1, {Down(kA)}},
          {45, 0, {}},
          {66, 0, {Up(kA)}}}},
    };
    for (const Case& c : cases) {
        SetUp();
        options.KeyDownMode = c.mode;
        options.MinPressMs = c.minPress;
        Bind(InputButton1, kA, 0, 0);
        Bind(InputButton1, kZ, 0, 1);
        table->RapidFire[0][InputButton1] = c.rate;
        for (const Step& step : c.steps) {
            SelectSet(*table, step.set);
            platform.Now = step.ms;
            EXPECT_EQ(Poll(kCentre, kCentre, step.buttons), step.sent)
                << c.name << " at " << step.ms;
        }
    }
}

// The right stick: Z and R of a winmm pad that reports them (read with both
// asked for), the right thumb of an XInput pad with Y turned. Up I, Down K,
// Left J, Right L. An axis counts once seen in its middle third, so one that
// rests at an end (a trigger, a throttle) holds nothing.
TEST_F(PollingTest, TheRightStickCountsOnceSeenInItsMiddle) {
    struct Step {
        int32_t z, r;  // winmm positions, or XInput's right thumb X and Y
        Events sent;
    };
    struct Case {
        const char* name;
        bool xinput, hasR;
        std::vector<Step> steps;
    };
    const int kI = 0x49, kJ = 0x4A, kK = 0x4B, kL = 0x4C;
    const Case cases[] = {
        {"winmm",
         false,
         true,
         {{32767, 32767, {}},
          {32767, 21844, {Down(kI)}},
          {32767, 43691, {Down(kK), Up(kI)}},
          {21844, 43690, {Down(kJ), Up(kK)}},
          {43691, 21845, {Down(kL), Up(kJ)}},
          {32767, 32767, {Up(kL)}}}},
        {"winmm, Z resting at its end",
         false,
         true,
         {{65535, 32767, {}},
          {65535, 0, {Down(kI)}},
          {32767, 32767, {Up(kI)}},
          {65535, 32767, {Down(kL)}}}},
        {"winmm without R", false, false, {{32767, 32767, {}}, {32767, 0, {}}}},
        {"XInput",
         true,
         true,
         {{0, 0, {}},
          {0, 10923, {Down(kI)}},
          {0, -10924, {Down(kK), Up(kI)}},
          {-10924, 0, {Down(kJ), Up(kK)}},
          {10923, 0, {Down(kL), Up(kJ)}},
          {10922, 0, {Up(kL)}}}},
    };
    for (const Case& c : cases) {
        SetUp();
        platform.Range[0] = {0, 65535, 0, 65535, false, false, true, c.hasR, 0, 65535, 0, 65535};
        platform.XInputConnected[0] = c.xinput;
        ASSERT_TRUE(engine->DetectPad());
        Bind(InputRightUp, kI, 0);
        Bind(InputRightDown, kK, 0);
        Bind(InputRightLeft, kJ, 0);
        Bind(InputRightRight, kL, 0);
        for (const Step& step : c.steps) {
            platform.XPad = {
                0, 0, 0, 0, 0, static_cast<int16_t>(step.z), static_cast<int16_t>(step.r)};
            platform.Reading = {kCentre, kCentre, static_cast<uint32_t>(step.z), 0};
            platform.Reading.r = static_cast<uint32_t>(step.r);
            EXPECT_EQ(Iterate(), step.sent) << c.name << " " << step.z << "," << step.r;
        }
        if (!c.xinput) {
            EXPECT_EQ(platform.Axes, c.hasR ? AskZ | AskR : AskZ) << c.name;
        }
    }
}
