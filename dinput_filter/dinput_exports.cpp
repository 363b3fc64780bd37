// dinput.dll's entries: DirectInput 1 to 7 filtered, the rest forwarded.
#include <dinput.h>

#include "dinput_filter/direct_input_filter.h"

namespace {
constexpr wchar_t kName[] = L"dinput.dll";
}  // namespace

extern "C" {

HRESULT WINAPI DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                                  IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, LPDIRECTINPUTA*, IUnknown*);
    auto create = SystemEntry<Entry>(kName, "DirectInputCreateA");
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, out, outer), IID_IDirectInputA,
                         reinterpret_cast<void**>(out), outer);
}

HRESULT WINAPI DirectInputCreateW(HINSTANCE instance, DWORD version, LPDIRECTINPUTW* out,
                                  IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, LPDIRECTINPUTW*, IUnknown*);
    auto create = SystemEntry<Entry>(kName, "DirectInputCreateW");
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, out, outer), IID_IDirectInputW,
                         reinterpret_cast<void**>(out), outer);
}

HRESULT WINAPI DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID iid, void** out,
                                   IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    auto create = SystemEntry<Entry>(kName, "DirectInputCreateEx");
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

}  // extern "C"
