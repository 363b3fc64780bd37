#pragma once
// The polling engine's test fixture: a key-set table, the engine, the options
// and the recording platform, with a joystick found; shared by the polling
// tests of each theme (one fixture class for the one test suite, so not in
// an unnamed namespace).
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mapper/engine/engine.h"
#include "tests/support/fake_engine_platform.h"

// Stick positions and buttons for a 0..65535 joystick.
constexpr uint32_t kCentre = 32767, kMin = 0, kMax = 65535;
constexpr int kA = 0x41, kB = 0x42, kC = 0x43, kD = 0x44, kZ = 0x5A, kCursorUp = 0x26;

class PollingTest : public ::testing::Test {
  protected:
    std::unique_ptr<KeySetTable> table = std::make_unique<KeySetTable>();
    MapperOptions options;
    FakeEnginePlatform platform;
    FakeEngineEvents events{platform.Log};
    std::unique_ptr<Engine> engine;

    void SetUp() override { Restart(); }
    // A fresh engine with a joystick found (the table tests start each case so).
    void Restart() {
        ClearKeySetTable(*table);
        table->SetKeyCount = 1;  // two sets
        options.KeyDownMode = KeyDownNormal;
        options.SetSleep = 0;
        platform.ReadSucceeds = true;
        platform.Now = 0;
        engine = std::make_unique<Engine>(*table, options, platform, events);
        ASSERT_TRUE(engine->DetectPad());
    }
    void Bind(int input, int key0, int key1, int set = 0) {
        table->Keys[set][input][0] = key0;
        table->Keys[set][input][1] = key1;
    }
    // Runs one iteration with the stick at (x, y), `buttons` and the hat at
    // `pov`; returns what it sent.
    Events Poll(uint32_t x, uint32_t y, uint32_t buttons = 0, uint32_t pov = kPovCentred) {
        platform.Reading = {x, y, 0, buttons, pov};
        return Iterate();
    }
    Events Iterate() {
        platform.Log.clear();
        platform.PadCalls.clear();
        engine->RunIteration();
        return platform.Log;
    }
    // Starts a capture and runs the iteration that forgets earlier key presses.
    void BeginCapture(int32_t input, int32_t key) {
        StartCapture(engine->Controls, table->ActiveSet, input, key);
        platform.KeyQueries = 0;
        EXPECT_EQ(Iterate(), Events{});
        EXPECT_EQ(platform.KeyQueries, 256);
        EXPECT_EQ(engine->Controls.Mode, EngineCapturing);
        platform.KeyQueries = 0;
    }
};
