#pragma once
// What the polling engine needs from the system: the pads, keyboard event
// injection, the keyboard state, a rest and a clock. No window work: what the
// windows should hear goes through EngineEvents. Win32 serves it in
// mapper/platform/win32; tests use a recording fake.
#include <cstdint>

#include "mapper/engine/scan_code.h"

// Axis ranges and the hat from the joystick's capabilities (joyGetDevCapsA).
struct JoystickRange {
    uint32_t xMin, xMax, yMin, yMax;
    bool hasHat = false;           // JOYCAPS_HASPOV
    bool hatInHundredths = false;  // JOYCAPS_POVCTS: the hat reports any angle
    // The right stick: Z its X, R its Y, where the pad has them.
    bool hasZ = false;  // JOYCAPS_HASZ
    bool hasR = false;  // JOYCAPS_HASR
    uint32_t zMin = 0, zMax = 0, rMin = 0, rMax = 0;
};

// The axes besides X and Y that a read asks for (JOY_RETURNZ, JOY_RETURNR):
// those the capabilities report.
enum AxisRequest : uint8_t {
    AskNoAxis = 0,
    AskZ = 1,
    AskR = 2,
};

// What a read asks of the hat: nothing (one call for a pad without one), its
// four positions and centre (JOY_RETURNPOV), or any angle in hundredths of a
// degree (JOY_RETURNPOVCTS).
enum HatRequest : uint8_t {
    HatNotAsked,
    HatInSteps,
    HatInHundredths,
};

// What a pad reports for its hat when it is centred or has no hat at all
// (JOY_POVCENTERED). Every value above 35999 counts as centred.
constexpr uint32_t kPovCentred = 0xFFFF;

// The state of an XInput pad (XINPUT_GAMEPAD): the button bits as XInput
// defines them, the triggers 0..255, the sticks -32768..32767 with Y growing
// upwards.
struct XInputPad {
    uint16_t buttons;
    uint8_t leftTrigger, rightTrigger;
    int16_t thumbLX, thumbLY;
    int16_t thumbRX = 0, thumbRY = 0;
};

// What a read of a winmm joystick gave.
enum JoystickAnswer : uint8_t {
    JoystickSilent,          // no reading: not there, or any failure
    JoystickRead,            // read as asked
    JoystickReadWithoutHat,  // the driver refused the hat request; read without it
};

// One reading of the joystick (joyGetPosEx). Bit i of `buttons` is Button i+1;
// `pov` is the hat in hundredths of a degree clockwise from up; z and r are
// the right stick (0 where not asked for).
struct JoystickReading {
    uint32_t x, y, z, buttons;
    uint32_t pov = kPovCentred;
    uint32_t r = 0;
};

class EnginePlatform {
  public:
    virtual ~EnginePlatform() = default;
    // Capabilities of joystick `id` (0 or 1): true with the ranges filled,
    // false when the joystick does not answer.
    virtual bool ReadJoystickRange(uint8_t id, JoystickRange& range) = 0;
    // Current state of joystick `id`, with the hat as `hat` asks and the
    // right stick's axes `axes` asks for (AxisRequest bits): Read with
    // `reading` filled, Silent on any failure. A pad that refuses the hat
    // request is read without it, its hat reported centred, and the answer
    // says so: a refusal costs a second call.
    virtual JoystickAnswer ReadJoystick(uint8_t id, HatRequest hat, uint8_t axes,
                                        JoystickReading& reading) = 0;
    // Current state of XInput pad `user` (0..3): true with `pad` filled, false
    // when it is not connected, on any failure, and where the system has no
    // XInput. Some systems take long to answer for a slot with no pad.
    virtual bool ReadXInputPad(uint8_t user, XInputPad& pad) = 0;
    // The scan code and extended flag that the keyboard layout gives
    // virtual-key code `vk` now.
    virtual KeyScan ScanCodeOf(uint8_t vk) = 0;
    // Injects a key-down or key-up event for virtual-key code `vk` with `scan`
    // into the system's keyboard input. No result.
    virtual void SendKey(uint8_t vk, KeyScan scan, bool keyUp) = 0;
    // The low 8 bits of the asynchronous key state of code `vk` (1..256):
    // nonzero when the key was pressed since the previous query.
    virtual uint8_t AsyncKeyState(int vk) = 0;
    // True once after Windows reported a device arriving (a device interface
    // of any class: HID and Xbox pads alike), however many came since the
    // last call; never where the system does not tell. Asked from the polling
    // thread.
    virtual bool TakeDeviceArrival() = 0;
    // Rests about `ms` milliseconds; 0 rests the shortest time the system
    // offers (half a millisecond on Windows, 1 ms before Windows 10 1803),
    // never just a yield.
    virtual void Rest(uint32_t ms) = 0;
    // Whether the rests must be fine: true while the engine maps the pad,
    // false while it is paused, captures, idles or has stopped. A backend
    // whose fine rests cost the whole system something (the 1 ms timer tick
    // before Windows 10 1803) holds that cost only while true. Called when
    // the answer changes; the rests are coarse until the first call.
    virtual void KeepRestsFine(bool fine) = 0;
    // A millisecond clock that wraps modulo 2^32, exact to the millisecond
    // (rapid fire at 30 a second has phases of 16 and 17 ms), used to time
    // read failures, to pace joystick discovery and to time rapid fire and
    // the shortest press.
    virtual uint32_t Milliseconds() = 0;
};
