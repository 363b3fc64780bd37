#pragma once
// The polling engine: pad discovery, the mapping poll that turns the pad's
// inputs (mapper/model/inputs.h) into key events of the active key set, and
// the capture scan that stores a freshly pressed key for assignment.
//
// Its state is split by owner. The window thread writes EngineControls
// (atomics, each read whole); the polling thread alone owns the pad reader
// and the key latches. The loop allocates nothing and takes no lock.
#include <atomic>
#include <cstdint>

#include "mapper/engine/engine_events.h"
#include "mapper/engine/engine_platform.h"
#include "mapper/engine/joystick.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

// The pads in the order discovery prefers them: XInput users 0 to 3 (pad =
// user), then winmm joysticks 0 and 1 (pad = kFirstWinmmPad + id).
constexpr uint8_t kFirstWinmmPad = 4;
constexpr uint8_t kPadCount = 6;

// How often the polling thread looks for a pad while none answers, besides
// at once when Windows reports a device arriving: winmm joysticks every
// second (a cheap call), the XInput slots every 3 seconds (an empty slot
// takes about a millisecond on Windows).
constexpr uint32_t kJoystickSearchMs = 1000;
constexpr uint32_t kXInputSearchMs = 3000;
// How long reads must fail without a break before the pad counts as gone: a
// shorter read error must not break a held key.
constexpr uint32_t kPadGoneMs = 500;

enum EngineModeValue : int32_t {
    EngineMapping = 1,
    EngineCapturing = 2,
};

enum InputLatchValue : int32_t {
    LatchReleased = 0,
    LatchHeld = 1,        // pressed once (Normal): no further key-down while active
    LatchHeldRepeat = 2,  // pressed in Rapid: key-down again at every poll while active
    LatchRapidFire = 3,   // rapid fire ("連射"): down and up in turn while active
};

// What the polling thread knows of the pad.
enum PadState : uint8_t {
    PadMissing,  // none answers: discovery runs on a device arrival and on its clocks
    PadReading,  // its reads answer
    PadFailing,  // its reads fail; gone once they have failed for kPadGoneMs
};

// A key the engine holds down: the Keys entry it was pressed for (0 = none)
// and the scan code its key-down carried, which its key-up carries too.
struct PressedKey {
    int32_t Code;
    KeyScan Scan;
};

// Written by the window thread, read by the polling thread.
struct EngineControls {
    std::atomic<int32_t> Mode{EngineMapping};  // EngineModeValue; any other value only rests
    std::atomic<int32_t> CaptureSet{0};        // the set active when the capture began
    std::atomic<int32_t> CaptureInput{0};      // the input being assigned
    std::atomic<int32_t> CaptureKey{0};        // key index being assigned
    std::atomic<uint8_t> ControlEnabled{1};    // 0 while paused from the tray menu
    std::atomic<uint8_t> StopRequested{0};     // set once by the program's exit
    // Counts the captures started; the polling thread answers a new one by
    // forgetting every key press from before it.
    std::atomic<uint32_t> CaptureGeneration{0};
    // While a HOLD input is held: the set that comes back when the last one
    // is released; -1 otherwise. The polling thread sets and takes it; the
    // follower replaces it (DeferSetToHoldRelease).
    std::atomic<int32_t> HoldReturnSet{-1};
};

// The pad read: set by DetectPad before the polling thread starts, then by
// that thread alone. The pad in use stays while it answers, whatever else
// comes: no other pad is asked until it has gone.
struct PadReader {
    uint8_t InUse = 0;  // the pad read, in discovery order (kFirstWinmmPad)
    AxisThresholds Thresholds = {};
    PadState State = PadMissing;
    uint32_t SinceMs = 0;  // Failing: the first failed read
    // What a read of a winmm pad asks of its hat; dropped for the pad once
    // its driver refuses it.
    HatRequest Hat = HatNotAsked;
    uint8_t Axes = AskNoAxis;  // the right stick's axes a read asks for (AxisRequest)
    // The right stick's axes seen in their middle third since the pad was
    // found (AxisRequest bits): only those count, so a trigger or throttle
    // that rests at one end holds no key.
    uint8_t CentredAxes = AskNoAxis;
    uint32_t JoysticksAskedMs = 0;  // the last discovery that asked the winmm joysticks
    uint32_t XInputAskedMs = 0;     // the last that asked the XInput slots too
};

// An input that fires rapidly: the rate and the codes come from the set
// active at its press and hold until its release.
struct RapidFireState {
    uint8_t Rate;                     // presses a second, 1..30
    bool Down;                        // in the down phase
    uint32_t PhaseSinceMs;            // when the phase's keys were sent
    PressedKey Codes[kKeysPerInput];  // what each down phase presses
};

// The polling thread's keys.
struct KeyLatches {
    int32_t Latch[kInputCount] = {};
    // The keys down now, by input and key index. Releases go to these, not to
    // whatever the active set or the keyboard layout says by then, so a set
    // switch, a capture or a layout switch strands no key.
    PressedKey Pressed[kInputCount][kKeysPerInput] = {};
    // When each input's keys went down, for the shortest press; kept only
    // while the shortest press is not 0 or the input fires rapidly.
    uint32_t PressedAtMs[kInputCount] = {};
    RapidFireState RapidFire[kInputCount] = {};
    // What each held input did at its press: ActionNone when it pressed its
    // keys, else its action; the release undoes that, whatever the active set
    // binds to the input by then.
    int32_t HeldAction[kInputCount] = {};
    // For a held HOLD input: the set that was active just before its press.
    int32_t ReturnSet[kInputCount] = {};
    // The inputs the window was last told are active (EngineEvents).
    uint32_t ShownInputs = 0;
    bool PauseApplied = false;         // the held keys were released for the current pause
    uint32_t ForgottenGeneration = 0;  // the capture whose earlier key presses were forgotten
};

// The one engine of the process, made by its composition root. It starts
// mapping, control enabled, with no pad known and no key held.
class Engine {
  public:
    Engine(KeySetTable& table, const MapperOptions& options, EnginePlatform& platform,
           EngineEvents& events)
        : table_(table), options_(options), platform_(platform), events_(events) {}
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Before the polling thread starts: asks the pads in discovery order
    // (XInput users 0 to 3, winmm joysticks 0 and 1) and reads the first that
    // answers, with its thresholds and hat request. True when one answered;
    // otherwise the thresholds stay as they were.
    bool DetectPad();

    // One iteration of the polling thread: rest SetSleep milliseconds, then
    // handle a stop or a pause, then run the mapping poll or the capture scan
    // according to Mode (any other mode only rests). False once the engine
    // has stopped: the caller ends the loop.
    bool RunIteration();
    // The polling thread's body: RunIteration until the engine has stopped.
    void Run();

    // At exit, only when no polling thread ever ran (the iterations ran on
    // the calling thread): releases every held key from here. Never while a
    // polling thread runs, so the two never release keys at once.
    void ReleaseHeldKeys();

    EngineControls Controls;
    PadReader Pad;
    KeyLatches Keys;

  private:
    KeySetTable& table_;
    const MapperOptions& options_;
    EnginePlatform& platform_;
    EngineEvents& events_;
    bool restsFine_ = false;  // what the platform was last told (KeepRestsFine)
};

// Window thread: starts the capture of `keyIndex` of `input` in `set` (the
// active one: the key lands there even if the set in front changes); the
// target is stored before Mode becomes Capturing, so the polling thread never
// sees the mode with a stale target. The first capture iteration only forgets
// the key presses made before the capture, so a key pressed long ago (the
// Enter that closed a dialog, a key typed in a game) is not taken for the answer.
void StartCapture(EngineControls& controls, int32_t set, int32_t input, int32_t keyIndex);
// Window thread: ends a capture without writing a key (the cancel button);
// the window puts itself back.
void CancelCapture(EngineControls& controls);
// Window thread: pause (false) or resume (true) key synthesis. The polling
// thread releases every held key when the pause takes effect.
void SetControlEnabled(EngineControls& controls, bool enabled);
// Window thread: binds `action` to the input being captured, in the set the
// capture began in, and ends the capture. False when the capture had ended
// already (a key came first): nothing is bound then.
bool AssignActionToCapture(EngineControls& controls, KeySetTable& table, int32_t action);
// Window thread, for the follower: while a HOLD input is held, `set` becomes
// the set that comes back at its release, and true is returned; otherwise
// false, and the caller selects the set itself.
bool DeferSetToHoldRelease(EngineControls& controls, int32_t set);
// Window thread, at exit: asks the polling thread to stop. At its next
// iteration it releases every held key, sends nothing more and ends; the
// caller waits for that end, for a while (a thread stuck inside a platform
// call is given up on).
void RequestStop(EngineControls& controls);
