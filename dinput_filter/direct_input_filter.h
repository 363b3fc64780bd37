#pragma once
// The DirectInput filter: a dinput8.dll or dinput.dll placed beside a game,
// loaded instead of the system's. It hands the game the system's DirectInput
// objects wrapped so that no game controller can be listed or created; the
// keyboard, the mouse and every other call go through untouched. The game
// then reads the pad only through the keys mapper sends.
#include <windows.h>
#include <objbase.h>

// The system's DLL of this name, from the system folder by full path (never
// by name: by name the loader would find this very file again); null when it
// can't be loaded. Loaded once per call and never freed: the wrapped objects
// live in it.
HMODULE LoadSystemDirectInput(const wchar_t* dllName);

// The entry `name` of the system's DLL `dllName`; null when either is missing.
FARPROC SystemProc(const wchar_t* dllName, const char* name);

// The same as the function type it is (through void (*)(), the cast that
// says a function pointer's type is being restored).
template <typename Function>
Function SystemEntry(const wchar_t* dllName, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemProc(dllName, name)));
}

// `real`, an interface `iid` that the system's DirectInput handed out,
// replaced by its filtered wrapper when it is a DirectInput object (the
// wrapper takes over the reference); any other interface is returned as it
// is. Null, with `real` released, when there is no memory for a wrapper.
void* FilterInterface(REFIID iid, void* real);

// What a creating entry of the system's DLL returned (`result`, the object
// in `*out`, `iid` asked for), its object filtered.
HRESULT FilterCreated(HRESULT result, REFIID iid, void** out, IUnknown* outer);

// Calls the system's creating entry `name` that takes the interface asked for
// (DirectInput8Create, DirectInputCreateEx) and filters what it made;
// DIERR_GENERIC when the entry is missing.
HRESULT CreateFiltered(const char* name, HINSTANCE instance, DWORD version, REFIID iid, void** out,
                       IUnknown* outer);

// The name of the system's DLL this file stands in for, "dinput8.dll" or
// "dinput.dll" (the build says which). The Dll* entries both share are
// defined with the filter and forwarded to that DLL.
extern const wchar_t kSystemDllName[];
