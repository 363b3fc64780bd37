#include "mapper/engine/engine.h"

#include <algorithm>
#include <iterator>

namespace {

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

// --- keys -------------------------------------------------------------------

// Sends key-up for the keys this input pressed, key index 0 first, each with
// the scan code of its key-down.
void ReleaseInput(KeyLatches& keys, EnginePlatform& platform, int input) {
    for (PressedKey& pressed : keys.Pressed[input]) {
        if (pressed.Code != 0) {
            platform.SendKey(SentCode(pressed.Code), pressed.Scan, true);
            pressed = PressedKey{};
        }
    }
    keys.Latch[input] = LatchReleased;
}

// Releases the keys of every held input that pressed keys. Inputs held for
// an action keep their latches: a pause must not take the PAUSE button that
// caused it for a new press, and a HOLD let go meanwhile is ended at its
// first poll afterwards.
void ReleaseKeyInputs(KeyLatches& keys, EnginePlatform& platform) {
    for (int input = 0; input < kInputCount; ++input) {
        if (keys.HeldAction[input] == ActionNone) {
            ReleaseInput(keys, platform, input);
        }
    }
}

bool IsBound(const int32_t (&entries)[kKeysPerInput], uint8_t code) {
    for (int32_t entry : entries) {
        if (entry != 0 && SentCode(entry) == code) {
            return true;
        }
    }
    return false;
}

// In Rapid a held input is pressed again at every poll. If the active set or
// a capture changed its keys meanwhile, the old codes that are no longer bound
// go up before the new ones go down, so no key is left down for good.
void ReleaseReplacedCodes(KeyLatches& keys, EnginePlatform& platform, int input,
                          const int32_t (&entries)[kKeysPerInput]) {
    for (PressedKey& pressed : keys.Pressed[input]) {
        if (pressed.Code != 0 && !IsBound(entries, SentCode(pressed.Code))) {
            platform.SendKey(SentCode(pressed.Code), pressed.Scan, true);
            pressed = PressedKey{};
        }
    }
}

// A code the input held before is pressed again with the scan code it went
// down with, so its one key-up matches every key-down; a new code gets what
// the keyboard layout says now.
KeyScan ScanToPress(const PressedKey (&before)[kKeysPerInput], EnginePlatform& platform,
                    uint8_t code) {
    for (const PressedKey& pressed : before) {
        if (pressed.Code != 0 && SentCode(pressed.Code) == code) {
            return pressed.Scan;
        }
    }
    return platform.ScanCodeOf(code);
}

// What a mapping poll works with besides the pad. The clock is read at most
// once a poll, and only when a press, a release or rapid fire needs it.
struct KeyWork {
    KeyLatches& keys;
    KeySetTable& table;
    const MapperOptions& options;
    EnginePlatform& platform;
    EngineControls& controls;
    EngineEvents& events;
    bool clockRead = false;
    uint32_t nowMs = 0;
};

uint32_t PollTime(KeyWork& work) {
    if (!work.clockRead) {
        work.nowMs = work.platform.Milliseconds();
        work.clockRead = true;
    }
    return work.nowMs;
}

// The time just after keys were sent: a press or a phase is timed from here,
// so a thread held up between the clock and the send (a busy machine) never
// makes the game see it shorter than asked.
uint32_t TimeAfterSending(KeyWork& work) {
    work.clockRead = false;
    return PollTime(work);
}

uint8_t ShortestPress(const KeyWork& work) {
    return work.options.MinPressMs.load(std::memory_order_relaxed);
}

bool AnyPressed(const PressedKey (&pressed)[kKeysPerInput]) {
    for (const PressedKey& key : pressed) {
        if (key.Code != 0) {
            return true;
        }
    }
    return false;
}

// A key-up comes no sooner than the shortest press after its key-down (at
// the first poll at or after it), so a game that looks once a frame sees a
// quick tap. Pause, a lost pad and the exit release at once all the same.
bool ShortestPressPassed(KeyWork& work, int input) {
    const uint8_t shortest = ShortestPress(work);
    if (shortest == 0 || !AnyPressed(work.keys.Pressed[input])) {
        return true;
    }
    return PollTime(work) - work.keys.PressedAtMs[input] >= shortest;
}

void PressInput(KeyWork& work, int input) {
    KeyLatches& keys = work.keys;
    const bool first = keys.Latch[input] == LatchReleased;
    // An input bound to an action sends none of its keys (a Rapid input held
    // across a switch to such a set lets go of its keys here).
    const bool hasAction = ActiveAction(work.table, input) != ActionNone;
    int32_t entries[kKeysPerInput];
    for (int key = 0; key < kKeysPerInput; ++key) {
        entries[key] = hasAction ? 0 : ActiveKey(work.table, input, key);
    }
    ReleaseReplacedCodes(keys, work.platform, input, entries);
    PressedKey before[kKeysPerInput];
    std::copy(std::begin(keys.Pressed[input]), std::end(keys.Pressed[input]), before);
    for (int key = 0; key < kKeysPerInput; ++key) {
        PressedKey& pressed = keys.Pressed[input][key];
        pressed = PressedKey{};
        if (entries[key] != 0) {
            const uint8_t code = SentCode(entries[key]);
            pressed = {entries[key], ScanToPress(before, work.platform, code)};
            work.platform.SendKey(code, pressed.Scan, false);
        }
    }
    if (first && ShortestPress(work) != 0) {
        keys.PressedAtMs[input] = TimeAfterSending(work);
    }
    keys.Latch[input] = work.options.KeyDownMode.load(std::memory_order_relaxed) == KeyDownNormal
                            ? LatchHeld
                            : LatchHeldRepeat;
}

// --- rapid fire -------------------------------------------------------------

// The down phase lasts ceil(period / 2), and at least the shortest press; the
// up phase the rest of round(1000 / rate) ms. At 30 a second: 17 and 16 ms.
uint32_t PhaseMs(const RapidFireState& fire, uint8_t shortest) {
    const uint32_t period = (2000u + fire.Rate) / (2u * fire.Rate);
    const uint32_t down = (period + 1) / 2;
    if (!fire.Down) {
        return period - down;
    }
    return down > shortest ? down : shortest;
}

// Starts a phase: the codes of the first press go down, or up.
void BeginPhase(KeyWork& work, int input, bool down) {
    RapidFireState& fire = work.keys.RapidFire[input];
    for (int key = 0; key < kKeysPerInput; ++key) {
        const PressedKey& code = fire.Codes[key];
        if (code.Code != 0) {
            work.platform.SendKey(SentCode(code.Code), code.Scan, !down);
        }
        work.keys.Pressed[input][key] = down ? code : PressedKey{};
    }
    fire.Down = down;
    fire.PhaseSinceMs = TimeAfterSending(work);
    if (down) {
        work.keys.PressedAtMs[input] = fire.PhaseSinceMs;
    }
}

// The rate and the codes are those of the set active now, until the release.
void StartRapidFire(KeyWork& work, int input, uint8_t rate) {
    RapidFireState& fire = work.keys.RapidFire[input];
    fire.Rate = rate;
    for (int key = 0; key < kKeysPerInput; ++key) {
        const int32_t entry = ActiveKey(work.table, input, key);
        fire.Codes[key] = PressedKey{};
        if (entry != 0) {
            fire.Codes[key] = {entry, work.platform.ScanCodeOf(SentCode(entry))};
        }
    }
    work.keys.Latch[input] = LatchRapidFire;
    BeginPhase(work, input, true);
}

// Phases are judged at each poll: one ends at the first poll at or after its
// length, counted from the keys sent at its start.
void StepRapidFire(KeyWork& work, int input) {
    const RapidFireState& fire = work.keys.RapidFire[input];
    if (PollTime(work) - fire.PhaseSinceMs >= PhaseMs(fire, ShortestPress(work))) {
        BeginPhase(work, input, !fire.Down);
    }
}

// --- actions ----------------------------------------------------------------

// Makes `set` active as choosing it in the list would, and tells the window.
void SwitchSet(const KeyWork& work, int32_t set) {
    const int32_t before = work.table.ActiveSet.load();
    SelectSet(work.table, set);  // a set no longer in the table is ignored
    if (work.table.ActiveSet.load() != before) {
        work.events.ActiveSetChanged(set);
    }
}

bool HoldHeld(const KeyLatches& keys) {
    for (int32_t action : keys.HeldAction) {
        if (KindOfAction(action) == ActionHold) {
            return true;
        }
    }
    return false;
}

void StartHold(const KeyWork& work, int input, int32_t target) {
    if (target > work.table.SetKeyCount.load()) {
        return;  // beyond the table: nothing to do, nothing to undo
    }
    const int32_t before = work.table.ActiveSet.load();
    if (!HoldHeld(work.keys)) {
        work.controls.HoldReturnSet.store(before);
    }
    work.keys.HeldAction[input] = HoldAction(target);
    work.keys.ReturnSet[input] = before;
    SwitchSet(work, target);
}

// The set from before the press comes back. When the last HOLD goes, that is
// the set from before the first one, or what the follower chose meanwhile.
void EndHold(const KeyWork& work, int input) {
    work.keys.HeldAction[input] = ActionNone;
    int32_t back = work.keys.ReturnSet[input];
    if (!HoldHeld(work.keys)) {
        back = work.controls.HoldReturnSet.exchange(-1);
    }
    SwitchSet(work, back);
}

void TogglePause(const KeyWork& work) {
    const bool pause = work.controls.ControlEnabled.load() != 0;
    work.controls.ControlEnabled.store(pause ? 0 : 1);
    work.events.PauseChanged(pause);
}

// An action fires once per press, in either button mode.
void StartAction(const KeyWork& work, int input, int32_t action) {
    work.keys.Latch[input] = LatchHeld;
    work.keys.HeldAction[input] = KindOfAction(action) == ActionHold ? ActionNone : action;
    const int32_t active = work.table.ActiveSet.load();
    // At least one: the window thread may have emptied the table since the lookup.
    const int32_t sets = std::max(work.table.SetKeyCount.load() + 1, 1);
    switch (KindOfAction(action)) {
        case ActionNext:
            SwitchSet(work, (active + 1) % sets);
            break;
        case ActionPrev:
            SwitchSet(work, (active + sets - 1) % sets);
            break;
        case ActionHold:
            StartHold(work, input, HoldTarget(action));
            break;
        case ActionPause:
            TogglePause(work);
            break;
        case ActionNone:
            break;
    }
}

void EndAction(const KeyWork& work, int input) {
    if (KindOfAction(work.keys.HeldAction[input]) == ActionHold) {
        EndHold(work, input);
    }
    work.keys.HeldAction[input] = ActionNone;
    work.keys.Latch[input] = LatchReleased;
}

// A held input let go: its keys up, or its action ended.
void LetGo(const KeyWork& work, int input) {
    if (work.keys.HeldAction[input] != ActionNone) {
        EndAction(work, input);
    } else {
        ReleaseInput(work.keys, work.platform, input);
    }
}

// Everything held goes, HOLDs included: a pad that is gone cannot let go of
// them any more.
void ReleaseAllHeld(const KeyWork& work) {
    for (int input = 0; input < kInputCount; ++input) {
        LetGo(work, input);
    }
}

// --- presses and releases ---------------------------------------------------

// A fresh press takes the active set's action, else its rapid fire ("連射"),
// which overrides the button mode, else its keys; an input already held
// stays what it was pressed as.
void PressIfActive(KeyWork& work, int input, bool active) {
    if (!active) {
        return;
    }
    switch (work.keys.Latch[input]) {
        case LatchReleased: {
            const int32_t action = ActiveAction(work.table, input);
            const uint8_t rate = ActiveRapidFire(work.table, input);
            if (action != ActionNone) {
                StartAction(work, input, action);
            } else if (rate != 0) {
                StartRapidFire(work, input, rate);
            } else {
                PressInput(work, input);
            }
            break;
        }
        case LatchHeldRepeat:
            PressInput(work, input);
            break;
        case LatchRapidFire:
            StepRapidFire(work, input);
            break;
        default:
            break;  // Held: pressed once, or held for an action
    }
}

// An input that lets go releases the keys it holds down (none in a rapid-fire
// up phase) once the shortest press has passed, or ends its action.
void ReleaseIfInactive(KeyWork& work, int input, bool active) {
    if (!active && work.keys.Latch[input] != LatchReleased && ShortestPressPassed(work, input)) {
        LetGo(work, input);
    }
}

// While paused only PAUSE inputs of the active set are read, and the release
// of one pressed for the pause.
bool ActsWhilePaused(const KeyWork& work, int input) {
    if (work.keys.Latch[input] != LatchReleased) {
        return KindOfAction(work.keys.HeldAction[input]) == ActionPause;
    }
    return KindOfAction(ActiveAction(work.table, input)) == ActionPause;
}

bool PadNeededWhilePaused(const KeyWork& work) {
    for (int input = 0; input < kInputCount; ++input) {
        if (ActsWhilePaused(work, input)) {
            return true;
        }
    }
    return false;
}

// --- what the pad says ------------------------------------------------------

// The sides of the hat's eight 45-degree sectors, clockwise from up; each
// sector is centred on its position (0 up, 4500 up-right, ...), so a hat that
// reports in between counts as the nearest of the eight.
constexpr uint8_t kHatSectors[] = {
    kHatUp,   kHatUp | kHatRight,  kHatRight, kHatDown | kHatRight,
    kHatDown, kHatDown | kHatLeft, kHatLeft,  kHatUp | kHatLeft,
};
constexpr uint32_t kPovFullCircle = 36000;  // hundredths of a degree
constexpr uint32_t kPovSector = kPovFullCircle / 8;

// The sides that the hat's `pov` holds down; none when it is centred or out
// of range.
uint8_t HatSides(uint32_t pov) {
    if (pov >= kPovFullCircle) {
        return 0;
    }
    return kHatSectors[(pov + kPovSector / 2) / kPovSector % 8];
}

// An axis of the reading with its thresholds; a new axis is a case here.
struct AxisView {
    uint32_t Position;
    int32_t Low, High;
};
AxisView AxisOf(const AxisThresholds& limits, const JoystickReading& reading, PadAxis axis) {
    switch (axis) {
        case PadAxis::X:
            return {reading.x, limits.XLow, limits.XHigh};
        case PadAxis::Y:
            return {reading.y, limits.YLow, limits.YHigh};
        case PadAxis::Z:
            return {reading.z, limits.ZLow, limits.ZHigh};
        case PadAxis::R:
            return {reading.r, limits.RLow, limits.RHigh};
    }
    return {0, 0, 0};
}

// Whether a direction input is held by the stick. The driver's unsigned
// positions are compared as signed values with the signed thresholds.
bool AxisHolds(const AxisThresholds& limits, const JoystickReading& reading, const InputRow& row) {
    const AxisView axis = AxisOf(limits, reading, row.Axis);
    const int32_t position = static_cast<int32_t>(axis.Position);
    return row.Half == AxisHalf::Low ? position < axis.Low : position > axis.High;
}

// The right stick's axes, with their AxisRequest bits.
struct RightStickAxis {
    PadAxis Axis;
    uint8_t Bit;
};
constexpr RightStickAxis kRightStickAxes[] = {{PadAxis::Z, AskZ}, {PadAxis::R, AskR}};

// Notes the right stick's axes that the reading shows in their middle third.
void NoteCentredAxes(PadReader& reader, const JoystickReading& reading) {
    for (const RightStickAxis& axis : kRightStickAxes) {
        const AxisView view = AxisOf(reader.Thresholds, reading, axis.Axis);
        const int32_t position = static_cast<int32_t>(view.Position);
        if ((reader.Axes & axis.Bit) != 0 && position >= view.Low && position <= view.High) {
            reader.CentredAxes |= axis.Bit;
        }
    }
}

// The left stick always counts; each right stick axis once seen centred.
bool AxisCounts(const PadReader& reader, PadAxis axis) {
    for (const RightStickAxis& rightAxis : kRightStickAxes) {
        if (rightAxis.Axis == axis) {
            return (reader.CentredAxes & rightAxis.Bit) != 0;
        }
    }
    return true;
}

// Which inputs a reading makes active: a direction while its stick or the
// hat says so, a button while its bit is set.
void ActiveInputs(PadReader& reader, const JoystickReading& reading, bool (&active)[kInputCount]) {
    NoteCentredAxes(reader, reading);
    const uint8_t hat = HatSides(reading.pov);
    for (int input = 0; input < kInputCount; ++input) {
        const InputRow& row = kInputs[input];
        if (row.Kind == InputKind::Direction) {
            active[input] =
                (AxisCounts(reader, row.Axis) && AxisHolds(reader.Thresholds, reading, row)) ||
                (hat & row.Hat) != 0;
        } else {
            active[input] = (reading.buttons & (1u << row.Button)) != 0;
        }
    }
}

// --- the pad ----------------------------------------------------------------

// The thresholds and the requests that go with a pad that answered.
struct PadSetup {
    AxisThresholds Thresholds;
    HatRequest Hat;
    uint8_t Axes;
};

// Reads `pad` as `hat` and `axes` ask. A driver that refuses the hat request
// has it dropped here, for as long as this pad is read: one call a poll after
// that.
bool ReadFrom(EnginePlatform& platform, uint8_t pad, HatRequest& hat, uint8_t axes,
              JoystickReading& reading) {
    if (pad < kFirstWinmmPad) {
        XInputPad state{};
        if (!platform.ReadXInputPad(pad, state)) {
            return false;
        }
        reading = ReadingOfXInputPad(state);
        return true;
    }
    const JoystickAnswer answer =
        platform.ReadJoystick(static_cast<uint8_t>(pad - kFirstWinmmPad), hat, axes, reading);
    if (answer == JoystickReadWithoutHat) {
        hat = HatNotAsked;
    }
    return answer != JoystickSilent;
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
    PadSetup answered = {ComputeThresholds(caps), HatRequestFor(caps), AxisRequestFor(caps)};
    JoystickReading reading{};
    if (!ReadFrom(platform, pad, answered.Hat, answered.Axes, reading)) {
        return false;
    }
    setup = answered;
    return true;
}

// Asks the pads from `first` on in discovery order and takes the first that
// answers; a pad found starts a fresh count of failed reads.
bool FindPad(PadReader& reader, EnginePlatform& platform, uint8_t first) {
    for (uint8_t pad = first; pad < kPadCount; ++pad) {
        PadSetup setup{};
        if (PadAnswers(platform, pad, setup)) {
            reader.InUse = pad;
            reader.Thresholds = setup.Thresholds;
            reader.Hat = setup.Hat;
            reader.Axes = setup.Axes;
            reader.CentredAxes = AskNoAxis;
            reader.State = PadReading;
            return true;
        }
    }
    return false;
}

bool Discover(PadReader& reader, EnginePlatform& platform) {
    const uint32_t now = platform.Milliseconds();
    reader.JoysticksAskedMs = now;
    reader.XInputAskedMs = now;
    return FindPad(reader, platform, 0);
}

// While no pad answers, the polling thread looks for one: all of them at
// once when Windows reports a device arriving, else the winmm joysticks
// every kJoystickSearchMs and the XInput slots (with the joysticks after
// them) every kXInputSearchMs. A pad plugged in later, into the other port or
// with other ranges, is read with the right id and thresholds from the next
// poll on. While a pad answers nothing else is asked: a virtual pad or a
// second pad coming up never takes over from the one in the player's hands,
// and no empty XInput slot costs a poll its millisecond.
void SearchIfNoPad(PadReader& reader, EnginePlatform& platform) {
    if (reader.State != PadMissing) {
        return;
    }
    const uint32_t now = platform.Milliseconds();
    const bool arrival = platform.TakeDeviceArrival();
    const bool askXInput = arrival || now - reader.XInputAskedMs >= kXInputSearchMs;
    if (!askXInput && now - reader.JoysticksAskedMs < kJoystickSearchMs) {
        return;
    }
    reader.JoysticksAskedMs = now;
    if (askXInput) {
        reader.XInputAskedMs = now;
    }
    FindPad(reader, platform, askXInput ? 0 : kFirstWinmmPad);
}

// A read error shorter than kPadGoneMs changes nothing, so a momentary glitch
// does not break a held key. Once reads have failed that long the pad counts
// as gone: every held key goes up (a game must not see a key held by a pad
// that was unplugged or fell asleep) and discovery of every pad is due.
void NoteFailedRead(PadReader& reader, const KeyWork& work) {
    const uint32_t now = work.platform.Milliseconds();
    if (reader.State != PadFailing) {
        reader.State = PadFailing;
        reader.SinceMs = now;
        return;
    }
    if (now - reader.SinceMs >= kPadGoneMs) {
        ReleaseAllHeld(work);
        reader.State = PadMissing;
        reader.XInputAskedMs = now - kXInputSearchMs;
    }
}

// Reads the pad in use, if any. True with `reading` filled when it answered.
bool ReadPad(PadReader& reader, const KeyWork& work, JoystickReading& reading) {
    if (reader.State == PadMissing) {
        return false;
    }
    if (!ReadFrom(work.platform, reader.InUse, reader.Hat, reader.Axes, reading)) {
        NoteFailedRead(reader, work);
        return false;
    }
    reader.State = PadReading;
    return true;
}

void MappingPoll(PadReader& reader, KeyWork& work, bool paused) {
    JoystickReading reading{};
    if (!ReadPad(reader, work, reading)) {
        return;
    }
    bool active[kInputCount];
    ActiveInputs(reader, reading, active);
    if (paused) {
        for (int input = 0; input < kInputCount; ++input) {
            if (ActsWhilePaused(work, input)) {
                PressIfActive(work, input, active[input]);
                ReleaseIfInactive(work, input, active[input]);
            }
        }
        return;
    }
    // All direction presses before all direction releases: a stick flicked
    // across between two polls presses the new direction before it lets go of
    // the old one.
    for (int input = 0; input < kInputCount; ++input) {
        if (kInputs[input].Kind == InputKind::Direction) {
            PressIfActive(work, input, active[input]);
        }
    }
    for (int input = 0; input < kInputCount; ++input) {
        if (kInputs[input].Kind == InputKind::Direction) {
            ReleaseIfInactive(work, input, active[input]);
        }
    }
    for (int input = 0; input < kInputCount; ++input) {
        if (kInputs[input].Kind == InputKind::Button) {
            PressIfActive(work, input, active[input]);
            ReleaseIfInactive(work, input, active[input]);
        }
    }
}

// --- capture ----------------------------------------------------------------

// Stores `code` at the capture target. Not in whatever set is active now: the
// mode is back to Mapping before the store, and the follower may switch sets
// in between. A target outside the table (or an empty table) takes nothing.
bool CaptureTargetInTable(const EngineControls& controls, const KeySetTable& table) {
    const int32_t input = controls.CaptureInput.load(std::memory_order_relaxed);
    const int32_t key = controls.CaptureKey.load(std::memory_order_relaxed);
    const int32_t set = controls.CaptureSet.load(std::memory_order_relaxed);
    return input >= 0 && input < kInputCount && key >= 0 && key < kKeysPerInput &&
           IsSetIndex(table, set);
}

// A captured key replaces the input's action too.
void StoreCapturedKey(const EngineControls& controls, KeySetTable& table, int code) {
    if (!CaptureTargetInTable(controls, table)) {
        return;
    }
    const int32_t set = controls.CaptureSet.load(std::memory_order_relaxed);
    const int32_t input = controls.CaptureInput.load(std::memory_order_relaxed);
    table.Keys[set][input][controls.CaptureKey.load(std::memory_order_relaxed)].store(code);
    table.Actions[set][input].store(ActionNone);
}

// Ends the capture for whoever comes first: a key here or an action chosen
// in the capture window; the other then stores nothing.
bool TakeCapture(EngineControls& controls) {
    int32_t capturing = EngineCapturing;
    return controls.Mode.compare_exchange_strong(capturing, EngineMapping,
                                                 std::memory_order_acq_rel);
}

// The highest code pressed since the last query; 0 when none.
int HighestPressedCode(EnginePlatform& platform) {
    // All codes are queried before any is looked at, so one scan sees one
    // moment of the keyboard.
    uint8_t states[kLastKeyCode + 1] = {};
    for (int code = kFirstKeyCode; code <= kLastKeyCode; ++code) {
        states[code] = platform.AsyncKeyState(code);
    }
    for (int code : kUncapturableCodes) {
        states[code] = 0;
    }
    for (int code = kLastKeyCode; code >= kFirstKeyCode; --code) {
        if (states[code] != 0) {
            return code;
        }
    }
    return 0;
}

// A scan that finds several keys stores the highest and ends the capture once.
void CaptureScan(EngineControls& controls, KeySetTable& table, EnginePlatform& platform,
                 EngineEvents& events) {
    const int code = HighestPressedCode(platform);
    if (code == 0 || !TakeCapture(controls)) {
        return;
    }
    StoreCapturedKey(controls, table, code);
    events.KeyCaptured(code);
}

// A new capture first reads away every "pressed since the last query" state,
// so only a key pressed after the capture began can complete it.
bool ForgetEarlierKeyPresses(const EngineControls& controls, KeyLatches& keys,
                             EnginePlatform& platform) {
    const uint32_t generation = controls.CaptureGeneration.load(std::memory_order_relaxed);
    if (generation == keys.ForgottenGeneration) {
        return false;
    }
    for (int code = kFirstKeyCode; code <= kLastKeyCode; ++code) {
        platform.AsyncKeyState(code);
    }
    keys.ForgottenGeneration = generation;
    return true;
}

// --- pause and the window ---------------------------------------------------

// A pause releases every held key once, when it takes effect; after that the
// latches are all released, so a resume presses whatever is held by then.
bool ApplyPause(const EngineControls& controls, KeyLatches& keys, EnginePlatform& platform) {
    if (controls.ControlEnabled.load(std::memory_order_relaxed) != 0) {
        keys.PauseApplied = false;
        return false;
    }
    if (!keys.PauseApplied) {
        ReleaseKeyInputs(keys, platform);
        keys.PauseApplied = true;
    }
    return true;
}

// Fine rests (and what they cost the system) only while the pad is mapped.
void TellRestsFine(bool& told, EnginePlatform& platform, bool fine) {
    if (fine != told) {
        platform.KeepRestsFine(fine);
        told = fine;
    }
}

// An input's latch is held exactly while the engine takes it as active
// (pause, a gone pad and the stop release them all), so the latches are what
// the main window highlights. It hears of each change once, and of none while
// it is hidden: what it last heard is what it shows when it comes back.
void ReportActiveInputs(KeyLatches& keys, EngineEvents& events) {
    uint32_t inputs = 0;
    for (int input = 0; input < kInputCount; ++input) {
        if (keys.Latch[input] != LatchReleased) {
            inputs |= InputBit(input);
        }
    }
    if (inputs != keys.ShownInputs && events.ActiveInputsChanged(inputs)) {
        keys.ShownInputs = inputs;
    }
}

}  // namespace

bool Engine::DetectPad() {
    return Discover(Pad, platform_);
}

bool Engine::RunIteration() {
    platform_.Rest(options_.SetSleep.load(std::memory_order_relaxed));
    if (Controls.StopRequested.load(std::memory_order_acquire) != 0) {
        ReleaseKeyInputs(Keys, platform_);
        TellRestsFine(restsFine_, platform_, false);
        return false;
    }
    const bool paused = ApplyPause(Controls, Keys, platform_);
    const int32_t mode = Controls.Mode.load(std::memory_order_acquire);
    TellRestsFine(restsFine_, platform_, !paused && mode == EngineMapping);
    KeyWork work{Keys, table_, options_, platform_, Controls, events_};
    // A pause reads the pad only for the inputs that can end it.
    const bool reads = mode == EngineMapping && (!paused || PadNeededWhilePaused(work));
    if (!reads) {
        // Reads that failed before a pause or a capture say nothing about how
        // long the pad has been gone when the mapping comes back.
        if (Pad.State == PadFailing) {
            Pad.State = PadReading;
        }
    }
    switch (mode) {
        case EngineMapping:
            if (reads) {
                MappingPoll(Pad, work, paused);
                // Only once this poll's keys are out: a search can take
                // milliseconds.
                SearchIfNoPad(Pad, platform_);
            }
            break;
        case EngineCapturing:
            // A capture only reads the keyboard and writes the table: it works
            // while paused, or the capture window could not be left.
            if (!ForgetEarlierKeyPresses(Controls, Keys, platform_)) {
                CaptureScan(Controls, table_, platform_, events_);
            }
            break;
        default:
            break;
    }
    ReportActiveInputs(Keys, events_);
    return true;
}

void Engine::Run() {
    while (RunIteration()) {
    }
}

void Engine::ReleaseHeldKeys() {
    ReleaseKeyInputs(Keys, platform_);
}

void StartCapture(EngineControls& controls, int32_t set, int32_t input, int32_t keyIndex) {
    controls.CaptureSet.store(set, std::memory_order_relaxed);
    controls.CaptureInput.store(input, std::memory_order_relaxed);
    controls.CaptureKey.store(keyIndex, std::memory_order_relaxed);
    controls.CaptureGeneration.fetch_add(1, std::memory_order_relaxed);
    // Publishes the target: the polling thread loads the mode with acquire.
    controls.Mode.store(EngineCapturing, std::memory_order_release);
}

void CancelCapture(EngineControls& controls) {
    controls.Mode.store(EngineMapping, std::memory_order_release);
}

void SetControlEnabled(EngineControls& controls, bool enabled) {
    controls.ControlEnabled.store(enabled ? 1 : 0, std::memory_order_relaxed);
}

bool AssignActionToCapture(EngineControls& controls, KeySetTable& table, int32_t action) {
    if (!TakeCapture(controls)) {
        return false;
    }
    if (CaptureTargetInTable(controls, table)) {
        const int32_t set = controls.CaptureSet.load(std::memory_order_relaxed);
        table.Actions[set][controls.CaptureInput.load(std::memory_order_relaxed)].store(action);
    }
    return true;
}

bool DeferSetToHoldRelease(EngineControls& controls, int32_t set) {
    int32_t back = controls.HoldReturnSet.load();
    while (back >= 0) {
        if (controls.HoldReturnSet.compare_exchange_weak(back, set)) {
            return true;
        }
    }
    return false;
}

void RequestStop(EngineControls& controls) {
    controls.StopRequested.store(1, std::memory_order_release);
}
