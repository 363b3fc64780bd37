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
#include "mapper/engine/joystick.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

enum EngineModeValue : int32_t {
    EngineMapping = 1,
    EngineCapturing = 2,
};

enum SlotLatchValue : int32_t {
    LatchReleased = 0,
    LatchHeld = 1,        // pressed once (Normal): no further key-down while active
    LatchHeldRepeat = 2,  // pressed in Rapid: key-down again at every poll while active
};

// Who may touch the polling thread's own state (latches, pressed codes). The
// polling thread claims it for the working part of each iteration without
// ever waiting; at exit the interface thread claims it for good when the
// polling thread has not answered, so the two never release keys at once.
enum EngineOwnerValue : uint8_t {
    OwnerNone = 0,
    OwnerPollingThread = 1,
    OwnerStopper = 2,
};

// How often a polling thread that started without a joystick asks for one.
constexpr uint32_t kDiscoveryRetryMs = 1000;

struct EngineState {
    // Written by the interface thread, read by the polling thread.
    std::atomic<int32_t> EngineMode;      // EngineModeValue; any other value only rests
    std::atomic<int32_t> CaptureSlot;     // InputSlot being assigned
    std::atomic<int32_t> CaptureKey;      // key index being assigned
    std::atomic<uint8_t> ControlEnabled;  // 0 while paused from the tray menu
    std::atomic<uint8_t> StopRequested;   // set once by the program's exit
    std::atomic<uint8_t> Stopped;         // every held key released; no more events
    std::atomic<uint8_t> Owner;           // EngineOwnerValue
    // Counts the captures started; the polling thread answers a new one by
    // forgetting every key press from before it.
    std::atomic<uint32_t> CaptureGeneration;

    // Joystick discovery: written by DetectJoystick before the thread starts,
    // afterwards only by the polling thread while it retries a failed one.
    uint8_t JoystickId;
    AxisThresholds Thresholds;
    bool JoystickFound;
    uint32_t LastDiscoveryMs;

    // Owned by the polling thread.
    int32_t SlotLatch[kSlotCount];
    // The Keys entries whose codes (low 8 bits) are down now, by slot and key
    // index; 0 = nothing pressed. Releases go to these, not to whatever the
    // active set holds by then, so a set switch or a capture strands no key.
    int32_t PressedCodes[kSlotCount][kKeysPerSlot];
    bool PauseApplied;             // the held keys were released for the current pause
    uint32_t ForgottenGeneration;  // the capture whose earlier key presses were forgotten
};

// The one engine of the process. All zero at start, which is idle and paused:
// ResetEngine before DetectJoystick and the thread start.
extern EngineState g_engine;

// Puts `engine` into its start state: Mapping, control enabled, no joystick,
// latches released, no stop.
void ResetEngine(EngineState& engine);

// Asks joystick 0, then joystick 1, for its axis ranges and computes the
// thresholds. True when one of them answered. JoystickId is 0 when joystick 0
// answered, otherwise 1; on failure the thresholds stay as they were.
bool DetectJoystick(EngineState& engine, EnginePlatform& platform);

// One iteration of the polling thread: rest SetSleep milliseconds, then handle
// a stop or a pause, then run the mapping poll or the capture scan according
// to EngineMode (any other mode only rests). False once the engine has
// stopped: the caller ends the loop.
bool RunIteration(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                  EnginePlatform& platform);

// The polling thread's body: RunIteration until the engine has stopped.
void PollingThread(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                   EnginePlatform& platform);

// Interface thread: starts the capture of `keyIndex` of `slot`; the target is
// stored before EngineMode becomes Capturing, so the polling thread never sees
// the mode with a stale target. The first capture iteration only forgets the
// key presses made before the capture, so a key pressed long ago (the Enter
// that closed a dialog, a key typed in a game) is not taken for the answer.
void StartCapture(EngineState& engine, int32_t slot, int32_t keyIndex);
// Interface thread: ends a capture without writing a key (the cancel button):
// shows and enables the main window, hides the capture window, back to Mapping.
void CancelCapture(EngineState& engine, EnginePlatform& platform);
// Interface thread: pause (false) or resume (true) key synthesis. The polling
// thread releases every held key when the pause takes effect.
void SetControlEnabled(EngineState& engine, bool enabled);
// Interface thread, at exit: ends synthesis and has every held key released
// by the polling thread, waiting `waitMs` for it to answer. When it does not
// (never started, or slow), the keys are released from here instead, as soon
// as the polling thread is outside an iteration; after twice `waitMs` a thread
// stuck inside a platform call is given up on.
void StopEngine(EngineState& engine, EnginePlatform& platform, uint32_t waitMs);
