#include "mapper/engine/engine_state.h"

EngineState g_engine;

void ResetEngine(EngineState& engine) {
    engine.EngineMode.store(EngineMapping);
    engine.CaptureSet.store(0);
    engine.CaptureSlot.store(0);
    engine.CaptureKey.store(0);
    engine.ControlEnabled.store(1);
    engine.StopRequested.store(0);
    engine.CaptureGeneration.store(0);
    engine.ForgottenGeneration = 0;
    engine.PadInUse = 0;
    engine.Thresholds = AxisThresholds{};
    engine.Pad = PadMissing;
    engine.PadSinceMs = 0;
    engine.Hat = HatNotAsked;
    engine.NextProbe = 0;
    engine.LastProbeRoundMs = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        engine.SlotLatch[slot] = LatchReleased;
        for (PressedKey& pressed : engine.Pressed[slot]) {
            pressed = PressedKey{};
        }
    }
    engine.ShownInputs = 0;
    engine.PauseApplied = false;
    engine.RestsFine = false;
}

void StartCapture(EngineState& engine, int32_t set, int32_t slot, int32_t keyIndex) {
    engine.CaptureSet.store(set, std::memory_order_relaxed);
    engine.CaptureSlot.store(slot, std::memory_order_relaxed);
    engine.CaptureKey.store(keyIndex, std::memory_order_relaxed);
    engine.CaptureGeneration.fetch_add(1, std::memory_order_relaxed);
    // Publishes the target: the polling thread loads the mode with acquire.
    engine.EngineMode.store(EngineCapturing, std::memory_order_release);
}

void CancelCapture(EngineState& engine, EnginePlatform& platform) {
    platform.EndCapture(false);
    engine.EngineMode.store(EngineMapping, std::memory_order_release);
}

void SetControlEnabled(EngineState& engine, bool enabled) {
    engine.ControlEnabled.store(enabled ? 1 : 0, std::memory_order_relaxed);
}
