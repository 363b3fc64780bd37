#pragma once
// A stand-in joystick for tests under Wine. The test winmm.dll built from
// joystick_stub.cpp answers joyGetDevCapsA, joyGetPos and joyGetPosEx, and the
// test xinput1_4.dll built from the same source XInputGetState, from this record,
// which lives in the named shared memory section kTestJoystickName, so a test
// driver in any process of the same Wine desktop can move the stick.
//
// Use: build target `pamuro_joystick_stub` (the file is winmm.dll, also found
// at ${CMAKE_BINARY_DIR}/tests/wine/joystick_stub/winmm.dll), copy it beside
// the program under test and run it with WINEDLLOVERRIDES=winmm=n (see
// pamuro_use_test_joystick in tests/wine/engine.cmake). In the driver:
//     TestJoystick* stick = OpenTestJoystick();
//     stick->Present = 1;  stick->XMax = stick->YMax = 65535;  stick->Y = 0;
// Every field is a 32-bit value read and written whole. The section starts
// all zero: no joystick answers. Keep the driver's handle open while the
// program under test runs; the section lives as long as one handle does.
#include <windows.h>

#define PAMURO_TEST_JOYSTICK_NAME "Local\\PamuroTestJoystick"

struct TestJoystick {
    volatile LONG Present;                 // bit 0: joystick 0 answers, bit 1: joystick 1 answers
    volatile LONG XMin, XMax, YMin, YMax;  // ranges reported by joyGetDevCapsA
    volatile LONG X, Y, Z, Buttons;        // what joyGetPos reports
    volatile LONG CapsCalls;               // joyGetDevCapsA calls so far
    volatile LONG PosCalls;                // joyGetPos calls so far
    // Appended for joyGetPosEx; the fields above keep their places.
    volatile LONG HatPresent;  // 0: a pad without a hat, which reports it centred
    volatile LONG Pov;         // the hat, hundredths of a degree, when HatPresent
    volatile LONG RefusePov;   // 1: joyGetPosEx fails when asked for the hat
    volatile LONG PosExCalls;  // joyGetPosEx calls so far
    // Appended for the test xinput1_4.dll: one XInput pad.
    volatile LONG XInputConnected;  // bit n: user index n is connected
    volatile LONG XButtons;         // XINPUT_GAMEPAD wButtons
    volatile LONG XLeftTrigger, XRightTrigger;
    volatile LONG XThumbLX, XThumbLY;
    volatile LONG XInputCalls;  // XInputGetState calls so far
    // Appended for the right stick: Z is its X and R its Y on a winmm pad.
    volatile LONG Axes;        // bit 0: the capabilities report Z, bit 1: R
    volatile LONG ZMin, ZMax;  // ranges reported with them
    volatile LONG RMin, RMax;
    volatile LONG R;  // what joyGetPosEx reports for R when asked (Z is above)
    volatile LONG XThumbRX, XThumbRY;
};

// Opens (or creates, zero-filled) the shared record; null on failure. The
// mapping handle is left open for the life of the process.
inline TestJoystick* OpenTestJoystick() {
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(TestJoystick), PAMURO_TEST_JOYSTICK_NAME);
    if (section == nullptr) {
        return nullptr;
    }
    return static_cast<TestJoystick*>(
        MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TestJoystick)));
}

// Plugs in joystick 0 as a pad without a hat or right stick: full 16-bit ranges, the stick
// centred, no button held.
inline void PlugCentredJoystick(TestJoystick* stick) {
    stick->XMin = stick->YMin = 0;
    stick->XMax = stick->YMax = 65535;
    stick->X = stick->Y = 32768;
    stick->Buttons = 0;
    stick->HatPresent = 0;
    stick->RefusePov = 0;
    stick->Axes = 0;
    stick->Z = stick->R = 32768;
    stick->XThumbRX = stick->XThumbRY = 0;
    stick->Present = 1;
}
