#pragma once
// The polling engine: joystick discovery, the mapping poll that turns the
// twenty joystick inputs into key events of the active key set, and the
// capture scan that stores a freshly pressed key for assignment.
//
// State shared with the interface thread is atomic and read whole; the loop
// allocates nothing and takes no lock.
#include <cstdint>

#include "mapper/engine/engine_platform.h"
#include "mapper/engine/engine_state.h"
#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

// How often the polling thread asks for a joystick while it knows none, and
// for an earlier pad in discovery order while it reads a later one.
constexpr uint32_t kDiscoveryRetryMs = 1000;
// How long reads must fail without a break before the pad counts as gone: a
// shorter read error must not break a held key.
constexpr uint32_t kPadGoneMs = 500;

// Asks the pads in discovery order (XInput users 0 to 3, winmm joysticks 0
// and 1) and reads the first that answers, with its thresholds and hat
// request. True when one answered; otherwise the thresholds stay as they were.
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

// Interface thread, at exit: asks the polling thread to stop. At its next
// iteration it releases every held key, sends nothing more and ends; the
// caller waits for that end, for a while (a thread stuck inside a platform
// call is given up on).
void RequestStop(EngineState& engine);
// At exit, only when no polling thread ever ran (the iterations ran on the
// calling thread): releases every held key from here. Never while a polling
// thread runs, so the two never release keys at once.
void ReleaseHeldKeys(EngineState& engine, EnginePlatform& platform);
