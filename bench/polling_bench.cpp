// Cost of one mapping poll against a fake platform whose calls do nearly
// nothing, so the figures are the engine's own work: with no input changing,
// with all twelve inputs (24 keys) changing at every poll, the same two with
// the hat held instead of the stick, and the fake read alone for comparison.
#include <benchmark/benchmark.h>

#include <memory>

#include "mapper/engine/engine.h"
#include "tests/support/fake_engine_platform.h"

namespace {

struct Rig {
    std::unique_ptr<KeySetTable> table = std::make_unique<KeySetTable>();
    MapperOptions options;
    FakeEnginePlatform platform;
    FakeEngineEvents events{platform.Log};
    Engine engine{*table, options, platform, events};

    Rig() {
        platform.Quiet = true;
        events.Quiet = true;
        ClearKeySetTable(*table);
        for (int input = 0; input < kInputCount; ++input) {
            table->Keys[0][input][0] = 0x41 + input;
            table->Keys[0][input][1] = 0x61 + input;
        }
        options.KeyDownMode = KeyDownNormal;
        options.SetSleep = 0;
        engine.DetectPad();
    }
    void Poll() { engine.RunIteration(); }
};

void BM_PollNoChange(benchmark::State& state) {
    Rig rig;
    rig.platform.Reading = {0, 0, 0, 0xFF};  // everything held: Normal sends nothing more
    rig.Poll();
    for (auto _ : state) {
        rig.Poll();
    }
    benchmark::DoNotOptimize(rig.platform.KeysSent);
}
BENCHMARK(BM_PollNoChange);

// Up+Left and buttons 1,3,5,7 against Down+Right and buttons 2,4,6,8: every
// input changes at every poll, 24 key events per poll.
void BM_PollAllKeysChanging(benchmark::State& state) {
    Rig rig;
    const JoystickReading a = {0, 0, 0, 0x55};
    const JoystickReading b = {65535, 65535, 0, 0xAA};
    bool flip = false;
    for (auto _ : state) {
        rig.platform.Reading = flip ? a : b;
        flip = !flip;
        rig.Poll();
    }
    state.counters["keys/poll"] = benchmark::Counter(static_cast<double>(state.iterations()) * 24,
                                                     benchmark::Counter::kAvgIterations);
    benchmark::DoNotOptimize(rig.platform.KeysSent);
}
BENCHMARK(BM_PollAllKeysChanging);

// The hat at up-right with every button held: the hat's directions are
// worked out at every poll, nothing is sent.
void BM_PollHatNoChange(benchmark::State& state) {
    Rig rig;
    rig.platform.Reading = {32767, 32767, 0, 0xFF, 4500};
    rig.Poll();
    for (auto _ : state) {
        rig.Poll();
    }
    benchmark::DoNotOptimize(rig.platform.KeysSent);
}
BENCHMARK(BM_PollHatNoChange);

// The hat between up-left and down-right, the buttons as above: every input
// changes at every poll.
void BM_PollHatAllKeysChanging(benchmark::State& state) {
    Rig rig;
    const JoystickReading a = {32767, 32767, 0, 0x55, 31500};
    const JoystickReading b = {32767, 32767, 0, 0xAA, 13500};
    bool flip = false;
    for (auto _ : state) {
        rig.platform.Reading = flip ? a : b;
        flip = !flip;
        rig.Poll();
    }
    benchmark::DoNotOptimize(rig.platform.KeysSent);
}
BENCHMARK(BM_PollHatAllKeysChanging);

// Joystick 0 in use, the four XInput slots empty, the clock a millisecond on
// at every poll (SetSleep 1). The fake's empty slot answers at once; on
// Windows one takes about a millisecond, so "xinput/poll" is the figure that
// counts: that many milliseconds a poll on average, spent before or after
// its keys.
void BM_PollWinmmPadEmptyXInputSlots(benchmark::State& state) {
    Rig rig;
    rig.platform.Reading = {0, 0, 0, 0xFF};
    rig.Poll();
    rig.platform.XInputReads = 0;
    for (auto _ : state) {
        ++rig.platform.Now;
        rig.Poll();
    }
    state.counters["xinput/poll"] =
        benchmark::Counter(rig.platform.XInputReads, benchmark::Counter::kAvgIterations);
    benchmark::DoNotOptimize(rig.platform.KeysSent);
}
BENCHMARK(BM_PollWinmmPadEmptyXInputSlots);

void BM_FakeReadAlone(benchmark::State& state) {
    FakeEnginePlatform platform;
    platform.Quiet = true;
    EnginePlatform* through = &platform;
    JoystickReading reading{};
    for (auto _ : state) {
        // Hidden from the optimiser so the call stays virtual, as in the poll.
        benchmark::DoNotOptimize(through);
        benchmark::DoNotOptimize(through->ReadJoystick(0, HatInHundredths, AskNoAxis, reading));
        benchmark::DoNotOptimize(reading);
    }
}
BENCHMARK(BM_FakeReadAlone);

}  // namespace

BENCHMARK_MAIN();
