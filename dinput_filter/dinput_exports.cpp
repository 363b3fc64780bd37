// dinput.dll's entries: DirectInput 1 to 7 filtered, the rest forwarded.
#include <dinput.h>

#include "dinput_filter/direct_input_filter.h"

namespace {

// DirectInputCreateA or W of the system's DLL (`name`), its object filtered
// as the interface `iid`.
template <typename Interface>
HRESULT CreateFilteredVersion1(const char* name, REFIID iid, HINSTANCE instance, DWORD version,
                               Interface** out, IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, Interface**, IUnknown*);
    auto create = SystemEntry<Entry>(kSystemDllName, name);
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, out, outer), iid, reinterpret_cast<void**>(out),
                         outer);
}

}  // namespace

extern "C" {

HRESULT WINAPI DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                                  IUnknown* outer) {
    return CreateFilteredVersion1("DirectInputCreateA", IID_IDirectInputA, instance, version, out,
                                  outer);
}

HRESULT WINAPI DirectInputCreateW(HINSTANCE instance, DWORD version, LPDIRECTINPUTW* out,
                                  IUnknown* outer) {
    return CreateFilteredVersion1("DirectInputCreateW", IID_IDirectInputW, instance, version, out,
                                  outer);
}

HRESULT WINAPI DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID iid, void** out,
                                   IUnknown* outer) {
    return CreateFiltered("DirectInputCreateEx", instance, version, iid, out, outer);
}

}  // extern "C"
