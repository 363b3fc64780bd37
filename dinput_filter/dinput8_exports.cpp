// dinput8.dll's entries: DirectInput 8 filtered, the rest forwarded.
#include <dinput.h>

#include "dinput_filter/direct_input_filter.h"

extern "C" {

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, void** out,
                                  IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    auto create = SystemEntry<Entry>(kSystemDllName, "DirectInput8Create");
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, iid, out, outer), iid, out, outer);
}

// The joystick data format: a game may ask for it, and gets the system's.
LPCDIDATAFORMAT WINAPI GetdfDIJoystick() {
    using Entry = LPCDIDATAFORMAT(WINAPI*)();
    auto entry = SystemEntry<Entry>(kSystemDllName, "GetdfDIJoystick");
    return entry != nullptr ? entry() : nullptr;
}

}  // extern "C"
