// dinput8.dll's entries: DirectInput 8 filtered, the rest forwarded.
#include <dinput.h>

#include "dinput_filter/direct_input_filter.h"

namespace {
constexpr wchar_t kName[] = L"dinput8.dll";
}  // namespace

extern "C" {

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, void** out,
                                  IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    auto create = SystemEntry<Entry>(kName, "DirectInput8Create");
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, iid, out, outer), iid, out, outer);
}

// The wrappers live in this DLL: it stays as long as the game.
HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return ForwardDllGetClassObject(kName, clsid, iid, out);
}

HRESULT WINAPI DllRegisterServer() {
    return ForwardDllRegistration(kName, "DllRegisterServer");
}

HRESULT WINAPI DllUnregisterServer() {
    return ForwardDllRegistration(kName, "DllUnregisterServer");
}

// The joystick data format: a game may ask for it, and gets the system's.
LPCDIDATAFORMAT WINAPI GetdfDIJoystick() {
    using Entry = LPCDIDATAFORMAT(WINAPI*)();
    auto entry = SystemEntry<Entry>(kName, "GetdfDIJoystick");
    return entry != nullptr ? entry() : nullptr;
}

}  // extern "C"
