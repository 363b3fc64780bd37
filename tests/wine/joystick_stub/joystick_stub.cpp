// winmm.dll and xinput1_4.dll for tests: a joystick and an XInput pad whose
// state a test driver sets through shared memory (joystick_stub.h). Only the
// functions the programs use are here; each DLL's .def exports its own.
#define _WINMM_  // define the exports here instead of importing them
#include <windows.h>
#include <mmsystem.h>
#include <xinput.h>

#include "tests/wine/joystick_stub/joystick_stub.h"

namespace {

TestJoystick* Stick() {
    static TestJoystick* stick = OpenTestJoystick();
    return stick;
}

bool Answers(UINT id) {
    TestJoystick* stick = Stick();
    return stick != nullptr && id < 2 && (stick->Present & (1 << id)) != 0;
}

}  // namespace

extern "C" MMRESULT WINAPI joyGetDevCapsA(UINT_PTR id, LPJOYCAPSA caps, UINT size) {
    TestJoystick* stick = Stick();
    if (stick != nullptr) {
        InterlockedIncrement(&stick->CapsCalls);
    }
    if (caps == nullptr || size < sizeof(JOYCAPSA)) {
        return MMSYSERR_INVALPARAM;
    }
    if (!Answers(static_cast<UINT>(id))) {
        return JOYERR_UNPLUGGED;
    }
    ZeroMemory(caps, sizeof(JOYCAPSA));
    lstrcpyA(caps->szPname, "Pamuro test joystick");
    caps->wXmin = static_cast<UINT>(stick->XMin);
    caps->wXmax = static_cast<UINT>(stick->XMax);
    caps->wYmin = static_cast<UINT>(stick->YMin);
    caps->wYmax = static_cast<UINT>(stick->YMax);
    caps->wNumButtons = 8;
    caps->wMaxButtons = 32;
    caps->wNumAxes = 2;
    caps->wMaxAxes = 6;
    if (stick->HatPresent != 0 || stick->RefusePov != 0) {
        caps->wCaps = JOYCAPS_HASPOV | JOYCAPS_POVCTS;
    }
    if ((stick->Axes & 1) != 0) {
        caps->wCaps |= JOYCAPS_HASZ;
        caps->wZmin = static_cast<UINT>(stick->ZMin);
        caps->wZmax = static_cast<UINT>(stick->ZMax);
    }
    if ((stick->Axes & 2) != 0) {
        caps->wCaps |= JOYCAPS_HASR;
        caps->wRmin = static_cast<UINT>(stick->RMin);
        caps->wRmax = static_cast<UINT>(stick->RMax);
    }
    return JOYERR_NOERROR;
}

extern "C" MMRESULT WINAPI joyGetPos(UINT id, LPJOYINFO info) {
    TestJoystick* stick = Stick();
    if (stick != nullptr) {
        InterlockedIncrement(&stick->PosCalls);
    }
    if (info == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (!Answers(id)) {
        return JOYERR_UNPLUGGED;
    }
    info->wXpos = static_cast<UINT>(stick->X);
    info->wYpos = static_cast<UINT>(stick->Y);
    info->wZpos = static_cast<UINT>(stick->Z);
    info->wButtons = static_cast<UINT>(stick->Buttons);
    return JOYERR_NOERROR;
}

// Like the system's: the record's size must be set, and the flags say what to
// fill. A pad without a hat reports it centred.
extern "C" MMRESULT WINAPI joyGetPosEx(UINT id, LPJOYINFOEX info) {
    TestJoystick* stick = Stick();
    if (stick != nullptr) {
        InterlockedIncrement(&stick->PosExCalls);
    }
    if (info == nullptr || info->dwSize != sizeof(JOYINFOEX)) {
        return MMSYSERR_INVALPARAM;
    }
    if (!Answers(id)) {
        return JOYERR_UNPLUGGED;
    }
    const DWORD hatFlags = JOY_RETURNPOV | JOY_RETURNPOVCTS;
    if ((info->dwFlags & hatFlags) != 0 && stick->RefusePov != 0) {
        return JOYERR_PARMS;
    }
    const DWORD flags = info->dwFlags;
    info->dwXpos = (flags & JOY_RETURNX) != 0 ? static_cast<DWORD>(stick->X) : 0;
    info->dwYpos = (flags & JOY_RETURNY) != 0 ? static_cast<DWORD>(stick->Y) : 0;
    info->dwZpos = (flags & JOY_RETURNZ) != 0 ? static_cast<DWORD>(stick->Z) : 0;
    info->dwRpos = (flags & JOY_RETURNR) != 0 ? static_cast<DWORD>(stick->R) : 0;
    info->dwButtons = (flags & JOY_RETURNBUTTONS) != 0 ? static_cast<DWORD>(stick->Buttons) : 0;
    info->dwPOV = JOY_POVCENTERED;
    if ((flags & hatFlags) != 0 && stick->HatPresent != 0) {
        info->dwPOV = static_cast<DWORD>(stick->Pov);
    }
    return JOYERR_NOERROR;
}

// mapper asks for a 1 ms timer tick where the system has no high-resolution
// waitable timer; the stand-in has nothing to tune.
extern "C" MMRESULT WINAPI timeBeginPeriod(UINT) {
    return TIMERR_NOERROR;
}

extern "C" DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state) {
    TestJoystick* stick = Stick();
    if (stick == nullptr || state == nullptr || user >= XUSER_MAX_COUNT) {
        return ERROR_BAD_ARGUMENTS;
    }
    const LONG calls = InterlockedIncrement(&stick->XInputCalls);
    if ((stick->XInputConnected & (1 << user)) == 0) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    ZeroMemory(state, sizeof *state);
    state->dwPacketNumber = static_cast<DWORD>(calls);
    state->Gamepad.wButtons = static_cast<WORD>(stick->XButtons);
    state->Gamepad.bLeftTrigger = static_cast<BYTE>(stick->XLeftTrigger);
    state->Gamepad.bRightTrigger = static_cast<BYTE>(stick->XRightTrigger);
    state->Gamepad.sThumbLX = static_cast<SHORT>(stick->XThumbLX);
    state->Gamepad.sThumbLY = static_cast<SHORT>(stick->XThumbLY);
    state->Gamepad.sThumbRX = static_cast<SHORT>(stick->XThumbRX);
    state->Gamepad.sThumbRY = static_cast<SHORT>(stick->XThumbRY);
    return ERROR_SUCCESS;
}
