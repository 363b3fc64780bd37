#include "mapper/engine/polling.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int kDirectionCount = 4;  // Up, Down, Left, Right: slots 0..3
constexpr int kFirstKeyCode = 1;
constexpr int kLastKeyCode = 256;

// Never captured: the three mouse buttons, the mode keys of Japanese keyboards
// and input methods (a capture must not end on an IME switch), and 0x100,
// which is no key at all.
constexpr int kUncapturableCodes[] = {0x01, 0x02, 0x04, 0xF0, 0xF2, 0xF3,
                                      0xF4, 0xF5, 0xF6, 0xFB, 0x100};

uint8_t SentCode(int32_t entry) {
    return static_cast<uint8_t>(entry & 0xFF);
}

// Sends key-up for the keys this slot pressed, key index 0 first, each with
// the scan code of its key-down.
void ReleaseSlot(EngineState& engine, EnginePlatform& platform, int slot) {
    for (PressedKey& pressed : engine.Pressed[slot]) {
        if (pressed.Code != 0) {
            platform.SendKey(SentCode(pressed.Code), pressed.Scan, true);
            pressed = PressedKey{};
        }
    }
    engine.SlotLatch[slot] = LatchReleased;
}

bool IsBound(const int32_t (&entries)[kKeysPerSlot], uint8_t code) {
    for (int32_t entry : entries) {
        if (entry != 0 && SentCode(entry) == code) {
            return true;
        }
    }
    return false;
}

// In Rapid a held slot is pressed again at every poll. If the active set or a
// capture changed its keys meanwhile, the old codes that are no longer bound
// go up before the new ones go down, so no key is left down for good.
void ReleaseReplacedCodes(EngineState& engine, EnginePlatform& platform, int slot,
                          const int32_t (&entries)[kKeysPerSlot]) {
    for (PressedKey& pressed : engine.Pressed[slot]) {
        if (pressed.Code != 0 && !IsBound(entries, SentCode(pressed.Code))) {
            platform.SendKey(SentCode(pressed.Code), pressed.Scan, true);
            pressed = PressedKey{};
        }
    }
}

// A code the slot held before is pressed again with the scan code it went
// down with, so its one key-up matches every key-down; a new code gets what
// the keyboard layout says now.
KeyScan ScanToPress(const PressedKey (&before)[kKeysPerSlot], EnginePlatform& platform,
                    uint8_t code) {
    for (const PressedKey& pressed : before) {
        if (pressed.Code != 0 && SentCode(pressed.Code) == code) {
            return pressed.Scan;
        }
    }
    return platform.ScanCodeOf(code);
}

void PressSlot(EngineState& engine, const KeySetTable& table, const MapperOptions& options,
               EnginePlatform& platform, int slot) {
    int32_t entries[kKeysPerSlot];
    for (int key = 0; key < kKeysPerSlot; ++key) {
        entries[key] = ActiveKey(table, slot, key);
    }
    ReleaseReplacedCodes(engine, platform, slot, entries);
    PressedKey before[kKeysPerSlot];
    std::copy(std::begin(engine.Pressed[slot]), std::end(engine.Pressed[slot]), before);
    for (int key = 0; key < kKeysPerSlot; ++key) {
        PressedKey& pressed = engine.Pressed[slot][key];
        pressed = PressedKey{};
        if (entries[key] != 0) {
            const uint8_t code = SentCode(entries[key]);
            pressed = {entries[key], ScanToPress(before, platform, code)};
            platform.SendKey(code, pressed.Scan, false);
        }
    }
    engine.SlotLatch[slot] = options.KeyDownMode.load(std::memory_order_relaxed) == KeyDownNormal
                                 ? LatchHeld
                                 : LatchHeldRepeat;
}

void PressIfActive(EngineState& engine, const KeySetTable& table, const MapperOptions& options,
                   EnginePlatform& platform, int slot, bool active) {
    if (active && engine.SlotLatch[slot] != LatchHeld) {
        PressSlot(engine, table, options, platform, slot);
    }
}

void ReleaseIfInactive(EngineState& engine, EnginePlatform& platform, int slot, bool active) {
    if (!active && engine.SlotLatch[slot] != LatchReleased) {
        ReleaseSlot(engine, platform, slot);
    }
}

void ReleaseAllHeld(EngineState& engine, EnginePlatform& platform) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ReleaseSlot(engine, platform, slot);
    }
}

constexpr uint8_t DirectionBit(int slot) {
    return static_cast<uint8_t>(1u << slot);
}

// The directions of the hat's eight 45-degree sectors, clockwise from up;
// each sector is centred on its position (0 up, 4500 up-right, ...), so a hat
// that reports in between counts as the nearest of the eight.
constexpr uint8_t kHatSectors[] = {
    DirectionBit(SlotUp),    DirectionBit(SlotUp) | DirectionBit(SlotRight),
    DirectionBit(SlotRight), DirectionBit(SlotDown) | DirectionBit(SlotRight),
    DirectionBit(SlotDown),  DirectionBit(SlotDown) | DirectionBit(SlotLeft),
    DirectionBit(SlotLeft),  DirectionBit(SlotUp) | DirectionBit(SlotLeft),
};
constexpr uint32_t kPovFullCircle = 36000;  // hundredths of a degree
constexpr uint32_t kPovSector = kPovFullCircle / 8;

// The direction bits (1 << InputSlot) that the hat's `pov` holds down; none
// when it is centred or out of range.
uint8_t HatDirections(uint32_t pov) {
    if (pov >= kPovFullCircle) {
        return 0;
    }
    return kHatSectors[(pov + kPovSector / 2) / kPovSector % 8];
}

// Which of the twenty inputs a reading makes active. The driver's unsigned
// positions are compared as signed values with the signed thresholds; a
// direction is active while the stick or the hat says so.
void ActiveInputs(const AxisThresholds& limits, const JoystickReading& reading,
                  bool (&active)[kSlotCount]) {
    const int32_t x = static_cast<int32_t>(reading.x);
    const int32_t y = static_cast<int32_t>(reading.y);
    const uint8_t hat = HatDirections(reading.pov);
    active[SlotUp] = y < limits.YLow;
    active[SlotDown] = y > limits.YHigh;
    active[SlotLeft] = x < limits.XLow;
    active[SlotRight] = x > limits.XHigh;
    for (int slot = 0; slot < kDirectionCount; ++slot) {
        active[slot] = active[slot] || (hat & DirectionBit(slot)) != 0;
    }
    for (int slot = SlotButton1; slot <= SlotButton16; ++slot) {
        active[slot] = (reading.buttons & (1u << (slot - SlotButton1))) != 0;
    }
}

// The thresholds and hat request that go with a pad that answered.
struct PadSetup {
    AxisThresholds Thresholds;
    HatRequest Hat;
};

bool ReadFrom(EnginePlatform& platform, uint8_t pad, HatRequest hat, JoystickReading& reading) {
    if (pad < kFirstWinmmPad) {
        XInputPad state{};
        if (!platform.ReadXInputPad(pad, state)) {
            return false;
        }
        reading = ReadingOfXInputPad(state);
        return true;
    }
    return platform.ReadJoystick(static_cast<uint8_t>(pad - kFirstWinmmPad), hat, reading);
}

// Whether `pad` answers now. A winmm joystick must answer both its
// capabilities call and a read: some drivers answer the first with no pad
// attached.
bool PadAnswers(EnginePlatform& platform, uint8_t pad, PadSetup& setup) {
    JoystickRange caps = kXInputRange;
    if (pad >= kFirstWinmmPad &&
        !platform.ReadJoystickRange(static_cast<uint8_t>(pad - kFirstWinmmPad), caps)) {
        return false;
    }
    const PadSetup answered = {ComputeThresholds(caps), HatRequestFor(caps)};
    JoystickReading reading{};
    if (!ReadFrom(platform, pad, answered.Hat, reading)) {
        return false;
    }
    setup = answered;
    return true;
}

void UsePad(EngineState& engine, uint8_t pad, const PadSetup& setup, uint32_t now) {
    engine.PadInUse = pad;
    engine.Thresholds = setup.Thresholds;
    engine.Hat = setup.Hat;
    engine.Pad = PadReading;  // a pad found starts a fresh count
    engine.NextProbe = pad;   // the earlier ones were just asked
    engine.LastProbeRoundMs = now;
}

// While no pad is known the polling thread looks for one, at most once per
// kDiscoveryRetryMs, so a pad plugged in later, into the other port or with
// other ranges, is read with the right id and thresholds.
bool RetryDiscovery(EngineState& engine, EnginePlatform& platform) {
    if (platform.Milliseconds() - engine.PadSinceMs < kDiscoveryRetryMs) {
        return false;
    }
    return DetectJoystick(engine, platform);
}

// While a later pad is read, the earlier ones are asked again in rounds that
// start at most once per kDiscoveryRetryMs, one pad per poll, so a slow
// XInput slot costs one call a second and never stalls a poll for long. The
// first that answers takes over, with every held key released first: a pad
// that wakes up again wins over the wheel or virtual pad read meanwhile, and
// an Xbox pad is read through XInput rather than winmm.
void ProbeEarlierPad(EngineState& engine, EnginePlatform& platform) {
    if (engine.PadInUse == 0) {
        return;
    }
    const uint32_t now = platform.Milliseconds();
    if (engine.NextProbe >= engine.PadInUse) {
        if (now - engine.LastProbeRoundMs < kDiscoveryRetryMs) {
            return;
        }
        engine.LastProbeRoundMs = now;
        engine.NextProbe = 0;
    }
    const uint8_t pad = engine.NextProbe++;
    PadSetup setup{};
    if (PadAnswers(platform, pad, setup)) {
        ReleaseAllHeld(engine, platform);
        UsePad(engine, pad, setup, now);
    }
}

// A read error shorter than kPadGoneMs changes nothing, so a momentary glitch
// does not break a held key. Once reads have failed that long the pad counts
// as gone: every held key goes up (a game must not see a key held by a pad
// that was unplugged or fell asleep) and discovery starts again.
void NoteFailedRead(EngineState& engine, EnginePlatform& platform) {
    const uint32_t now = platform.Milliseconds();
    if (engine.Pad != PadFailing) {
        engine.Pad = PadFailing;
        engine.PadSinceMs = now;
        return;
    }
    if (now - engine.PadSinceMs >= kPadGoneMs) {
        ReleaseAllHeld(engine, platform);
        // Looked for again at once; a pad found again starts a fresh count.
        engine.Pad = PadMissing;
        engine.PadSinceMs = now - kDiscoveryRetryMs;
    }
}

// Reads the pad, looking for one first while none is known, or for an
// earlier one. True with `reading` filled when it answered.
bool ReadPad(EngineState& engine, EnginePlatform& platform, JoystickReading& reading) {
    if (engine.Pad == PadMissing) {
        if (!RetryDiscovery(engine, platform)) {
            return false;
        }
    } else {
        ProbeEarlierPad(engine, platform);
    }
    if (!ReadFrom(platform, engine.PadInUse, engine.Hat, reading)) {
        NoteFailedRead(engine, platform);
        return false;
    }
    engine.Pad = PadReading;
    return true;
}

void MappingPoll(EngineState& engine, const KeySetTable& table, const MapperOptions& options,
                 EnginePlatform& platform) {
    JoystickReading reading{};
    if (!ReadPad(engine, platform, reading)) {
        return;
    }
    bool active[kSlotCount];
    ActiveInputs(engine.Thresholds, reading, active);
    // All direction presses before all direction releases: a stick flicked
    // across between two polls presses the new direction before it lets go of
    // the old one.
    for (int slot = 0; slot < kDirectionCount; ++slot) {
        PressIfActive(engine, table, options, platform, slot, active[slot]);
    }
    for (int slot = 0; slot < kDirectionCount; ++slot) {
        ReleaseIfInactive(engine, platform, slot, active[slot]);
    }
    for (int slot = SlotButton1; slot <= SlotButton16; ++slot) {
        PressIfActive(engine, table, options, platform, slot, active[slot]);
        ReleaseIfInactive(engine, platform, slot, active[slot]);
    }
}

// Stores `code` at the capture target. Not in whatever set is active now: the
// mode is back to Mapping before the store, and the follower may switch sets
// in between. A target outside the table (or an empty table) takes nothing.
void StoreCapturedKey(const EngineState& engine, KeySetTable& table, int code) {
    const int32_t slot = engine.CaptureSlot.load(std::memory_order_relaxed);
    const int32_t key = engine.CaptureKey.load(std::memory_order_relaxed);
    const int32_t set = engine.CaptureSet.load(std::memory_order_relaxed);
    const int32_t highestSet = table.SetKeyCount.load();
    if (slot < 0 || slot >= kSlotCount || key < 0 || key >= kKeysPerSlot || set < 0 ||
        set > highestSet || set >= kMaxSets) {
        return;
    }
    table.Keys[set][slot][key].store(code);
}

void CaptureScan(EngineState& engine, KeySetTable& table, EnginePlatform& platform) {
    // All codes are queried before any is looked at, so one scan sees one
    // moment of the keyboard.
    uint8_t states[kLastKeyCode + 1] = {};
    for (int code = kFirstKeyCode; code <= kLastKeyCode; ++code) {
        states[code] = platform.AsyncKeyState(code);
    }
    for (int code : kUncapturableCodes) {
        states[code] = 0;
    }
    // Every pressed code is stored in turn, so the highest one stays.
    for (int code = kFirstKeyCode; code <= kLastKeyCode; ++code) {
        if (states[code] == 0) {
            continue;
        }
        engine.EngineMode.store(EngineMapping, std::memory_order_release);
        StoreCapturedKey(engine, table, code);
        platform.EndCapture(true);
    }
}

// A new capture first reads away every "pressed since the last query" state,
// so only a key pressed after the capture began can complete it.
bool ForgetEarlierKeyPresses(EngineState& engine, EnginePlatform& platform) {
    const uint32_t generation = engine.CaptureGeneration.load(std::memory_order_relaxed);
    if (generation == engine.ForgottenGeneration) {
        return false;
    }
    for (int code = kFirstKeyCode; code <= kLastKeyCode; ++code) {
        platform.AsyncKeyState(code);
    }
    engine.ForgottenGeneration = generation;
    return true;
}

// A pause releases every held key once, when it takes effect; after that the
// latches are all released, so a resume presses whatever is held by then.
bool ApplyPause(EngineState& engine, EnginePlatform& platform) {
    if (engine.ControlEnabled.load(std::memory_order_relaxed) != 0) {
        engine.PauseApplied = false;
        return false;
    }
    if (!engine.PauseApplied) {
        ReleaseAllHeld(engine, platform);
        engine.PauseApplied = true;
    }
    return true;
}

// Fine rests (and what they cost the system) only while the pad is mapped.
void TellRestsFine(EngineState& engine, EnginePlatform& platform, bool fine) {
    if (fine != engine.RestsFine) {
        platform.KeepRestsFine(fine);
        engine.RestsFine = fine;
    }
}

static_assert(kSlotCount <= 32, "one bit per input");

// A slot's latch is held exactly while the engine takes its input as active
// (pause, a gone pad and the stop release them all), so the latches are what
// the main window highlights. It hears of each change once, and of none while
// it is hidden: what it last heard is what it shows when it comes back.
void ReportActiveInputs(EngineState& engine, EnginePlatform& platform) {
    uint32_t inputs = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (engine.SlotLatch[slot] != LatchReleased) {
            inputs |= 1u << slot;
        }
    }
    if (inputs != engine.ShownInputs && platform.PostActiveInputs(inputs)) {
        engine.ShownInputs = inputs;
    }
}

}  // namespace

bool RunIteration(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                  EnginePlatform& platform) {
    platform.Rest(options.SetSleep.load(std::memory_order_relaxed));
    if (engine.StopRequested.load(std::memory_order_acquire) != 0) {
        ReleaseAllHeld(engine, platform);
        TellRestsFine(engine, platform, false);
        return false;
    }
    const bool paused = ApplyPause(engine, platform);
    const int32_t mode = engine.EngineMode.load(std::memory_order_acquire);
    TellRestsFine(engine, platform, !paused && mode == EngineMapping);
    if (paused || mode != EngineMapping) {
        // Reads that failed before a pause or a capture say nothing about how
        // long the pad has been gone when the mapping comes back.
        if (engine.Pad == PadFailing) {
            engine.Pad = PadReading;
        }
    }
    switch (mode) {
        case EngineMapping:
            if (!paused) {
                MappingPoll(engine, table, options, platform);
            }
            break;
        case EngineCapturing:
            // A capture only reads the keyboard and writes the table: it works
            // while paused, or the capture window could not be left.
            if (!ForgetEarlierKeyPresses(engine, platform)) {
                CaptureScan(engine, table, platform);
            }
            break;
        default:
            break;
    }
    ReportActiveInputs(engine, platform);
    return true;
}

bool DetectJoystick(EngineState& engine, EnginePlatform& platform) {
    const uint32_t now = platform.Milliseconds();
    engine.PadSinceMs = now;
    for (uint8_t pad = 0; pad < kPadCount; ++pad) {
        PadSetup setup{};
        if (PadAnswers(platform, pad, setup)) {
            UsePad(engine, pad, setup, now);
            return true;
        }
    }
    return false;
}

void PollingThread(EngineState& engine, KeySetTable& table, const MapperOptions& options,
                   EnginePlatform& platform) {
    while (RunIteration(engine, table, options, platform)) {
    }
}

void RequestStop(EngineState& engine) {
    engine.StopRequested.store(1, std::memory_order_release);
}

void ReleaseHeldKeys(EngineState& engine, EnginePlatform& platform) {
    ReleaseAllHeld(engine, platform);
}
