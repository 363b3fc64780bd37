#pragma once
// The polling engine: joystick discovery, the mapping poll that turns the
// twelve joystick inputs into key events of the active key set, and the
// capture scan that stores a freshly pressed key for assignment.
//
// State shared with the interface thread is atomic and read whole; the loop
// allocates nothing and takes no lock.
#include <atomic>
#include <cstdint>

#include "mapper/engine/engine_platform.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

enum EngineModeValue : int32_t {
    EngineMapping = 1,
    EngineCapturing = 2,
};

enum SlotLatchValue : int32_t {
    LatchReleased = 0,
    LatchHeld = 1,
    LatchHeldRepeat = 2,
};

// Positions strictly below a low threshold are Left or Up, strictly above a
// high one Right or Down; the middle band, both thresholds included, is neutral.
struct AxisThresholds {
    int32_t XLow, YLow, XHigh, YHigh;
};

struct EngineState {
    // Written by the interface thread, read by the polling thread.
    std::atomic<int32_t> EngineMode;   // EngineModeValue; any other value only rests
    std::atomic<int32_t> CaptureSlot;  // InputSlot being assigned
    std::atomic<int32_t> CaptureKey;   // key index being assigned
    std::atomic<uint8_t> ControlEnabled;  // 0 while paused from the tray menu
    std::atomic<uint8_t> StopRequested;   // set once by the program's exit
    std::atomic<uint8_t> Stopped;         // the polling thread's answer to it

    // Joystick discovery; written before the thread starts and afterwards by
    // the polling thread alone while it retries discovery.
    uint8_t JoystickId;
    AxisThresholds Thresholds;
    bool JoystickFound;
    uint32_t LastDiscoveryMs;

    // Owned by the polling thread.
    int32_t SlotLatch[kSlotCount];
    uint8_t PressedCodes[kSlotCount][kKeysPerSlot];  // codes actually pressed, 0 = none
    bool PauseApplied;
};

extern EngineState g_engine;

// Puts `engine` into its start state: Mapping, control enabled, latches released.
void ResetEngine(EngineState& engine);

// Asks joystick 0, then joystick 1, for its axis ranges and computes the
// thresholds. True when one of them answered.
bool DetectJoystick(EngineState& engine, EnginePlatform& platform);

// One iteration of the polling thread: rest, then the mapping poll or the
// capture scan according to EngineMode, or the pause and stop handling.
void RunIteration(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                  EnginePlatform& platform);

// The polling thread's body: RunIteration until a stop has been handled.
void PollingThread(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                   EnginePlatform& platform);

// Interface thread: starts the capture of `keyIndex` of `slot`; the target is
// written before EngineMode becomes Capturing.
void StartCapture(EngineState& engine, int32_t slot, int32_t keyIndex);
// Interface thread: ends a capture without writing a key (the cancel button).
void CancelCapture(EngineState& engine, EnginePlatform& platform);
// Interface thread: pause (false) or resume (true) key synthesis.
void SetControlEnabled(EngineState& engine, bool enabled);
// Interface thread, at exit: ends synthesis and has every held key released,
// waiting at most `waitMs` for the polling thread to do it.
void StopEngine(EngineState& engine, EnginePlatform& platform, uint32_t waitMs);
