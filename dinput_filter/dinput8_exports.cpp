// dinput8.dll's entries: DirectInput 8 filtered, the rest forwarded.
#include <dinput.h>

#include "dinput_filter/direct_input_filter.h"

extern "C" {

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, void** out,
                                  IUnknown* outer) {
    return CreateFiltered("DirectInput8Create", instance, version, iid, out, outer);
}

// The joystick data format: a game may ask for it, and gets the system's.
LPCDIDATAFORMAT WINAPI GetdfDIJoystick() {
    using Entry = LPCDIDATAFORMAT(WINAPI*)();
    auto entry = SystemEntry<Entry>(kSystemDllName, "GetdfDIJoystick");
    return entry != nullptr ? entry() : nullptr;
}

}  // extern "C"
