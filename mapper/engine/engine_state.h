#pragma once
// The engine's state, shared by the interface thread and the polling thread,
// and the interface thread's operations on it: start-up reset, capture start
// and cancel, pause and resume.
//
// State shared with the interface thread is atomic and read whole; the
// polling thread's own part is touched only by the thread that polls.
#include <atomic>
#include <cstdint>

#include "mapper/engine/engine_platform.h"
#include "mapper/engine/joystick.h"
#include "mapper/model/keyset_table.h"

// The pads in the order discovery prefers them: XInput users 0 to 3 (pad =
// user), then winmm joysticks 0 and 1 (pad = kFirstWinmmPad + id).
constexpr uint8_t kFirstWinmmPad = 4;
constexpr uint8_t kPadCount = 6;

enum EngineModeValue : int32_t {
    EngineMapping = 1,
    EngineCapturing = 2,
};

enum SlotLatchValue : int32_t {
    LatchReleased = 0,
    LatchHeld = 1,        // pressed once (Normal): no further key-down while active
    LatchHeldRepeat = 2,  // pressed in Rapid: key-down again at every poll while active
};

// What the polling thread knows of the pad.
enum PadState : uint8_t {
    PadMissing,  // none known: discovery runs about once a second
    PadReading,  // its reads answer
    PadFailing,  // its reads fail; gone once they have failed for kPadGoneMs
};

// A key the engine holds down: the Keys entry it was pressed for (0 = none)
// and the scan code its key-down carried, which its key-up carries too.
struct PressedKey {
    int32_t Code;
    KeyScan Scan;
};

struct EngineState {
    // Written by the interface thread, read by the polling thread.
    std::atomic<int32_t> EngineMode;      // EngineModeValue; any other value only rests
    std::atomic<int32_t> CaptureSet;      // the set active when the capture began
    std::atomic<int32_t> CaptureSlot;     // InputSlot being assigned
    std::atomic<int32_t> CaptureKey;      // key index being assigned
    std::atomic<uint8_t> ControlEnabled;  // 0 while paused from the tray menu
    std::atomic<uint8_t> StopRequested;   // set once by the program's exit
    // Counts the captures started; the polling thread answers a new one by
    // forgetting every key press from before it.
    std::atomic<uint32_t> CaptureGeneration;

    // Joystick discovery: written by DetectJoystick before the thread starts,
    // afterwards only by the polling thread, which looks again while no pad
    // is known, and for an earlier pad while it reads a later one.
    uint8_t PadInUse;  // the pad read, in discovery order (kFirstWinmmPad)
    AxisThresholds Thresholds;
    PadState Pad;
    uint32_t PadSinceMs;        // Missing: the last discovery; Failing: the first failed read
    HatRequest Hat;             // what a read of a winmm pad asks of its hat
    uint8_t NextProbe;          // the earlier pad asked at the next poll of a round
    uint32_t LastProbeRoundMs;  // when the last round of asking earlier pads began

    // Owned by the polling thread.
    int32_t SlotLatch[kSlotCount];
    // The keys down now, by slot and key index. Releases go to these, not to
    // whatever the active set or the keyboard layout says by then, so a set
    // switch, a capture or a layout switch strands no key.
    PressedKey Pressed[kSlotCount][kKeysPerSlot];
    // The inputs (bit s for InputSlot s) the main window was last told are
    // active; it highlights their row labels.
    uint32_t ShownInputs;
    bool PauseApplied;             // the held keys were released for the current pause
    bool RestsFine;                // what the platform was last told (KeepRestsFine)
    uint32_t ForgottenGeneration;  // the capture whose earlier key presses were forgotten
};

// The one engine of the process. All zero at start, which is idle and paused:
// ResetEngine before DetectJoystick and the thread start.
extern EngineState g_engine;

// Puts `engine` into its start state: Mapping, control enabled, no joystick,
// latches released, no stop.
void ResetEngine(EngineState& engine);

// Interface thread: starts the capture of `keyIndex` of `slot` in `set` (the
// active one: the key lands there even if the set in front changes); the target is
// stored before EngineMode becomes Capturing, so the polling thread never sees
// the mode with a stale target. The first capture iteration only forgets the
// key presses made before the capture, so a key pressed long ago (the Enter
// that closed a dialog, a key typed in a game) is not taken for the answer.
void StartCapture(EngineState& engine, int32_t set, int32_t slot, int32_t keyIndex);
// Interface thread: ends a capture without writing a key (the cancel button):
// shows and enables the main window, hides the capture window, back to Mapping.
void CancelCapture(EngineState& engine, EnginePlatform& platform);
// Interface thread: pause (false) or resume (true) key synthesis. The polling
// thread releases every held key when the pause takes effect.
void SetControlEnabled(EngineState& engine, bool enabled);
