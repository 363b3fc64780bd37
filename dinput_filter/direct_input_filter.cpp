// The wrappers of the DirectInput objects, one template per interface family
// (DirectInput 8; DirectInput 1, 2 and 7, whose interfaces extend one
// another) instantiated for the ANSI and the wide flavour.
#include "dinput_filter/direct_input_filter.h"

#include <dinput.h>

#include <new>  // placement new only: the filter links no C++ runtime to speak of

#include "common/win32/system_folder.h"

namespace {

// Every controller type: DirectInput 8's game controller class (joystick,
// gamepad, driving, flight, first-person) and its supplemental devices
// (pedals, throttles), and the joystick type of DirectInput 1 to 7. The two
// numberings do not overlap, so one test serves both.
bool IsGameController(DWORD deviceType) {
    const BYTE type = GET_DIDEVICE_TYPE(deviceType);
    return type == DIDEVTYPE_JOYSTICK ||
           (type >= DI8DEVTYPE_JOYSTICK && type <= DI8DEVTYPE_1STPERSON) ||
           type == DI8DEVTYPE_SUPPLEMENTAL;
}

// The system keyboard and mouse, also in their emulated forms: the only
// devices a filtered object creates.
bool IsKeyboardOrMouse(REFGUID guid) {
    return IsEqualGUID(guid, GUID_SysKeyboard) || IsEqualGUID(guid, GUID_SysMouse) ||
           IsEqualGUID(guid, GUID_SysKeyboardEm) || IsEqualGUID(guid, GUID_SysKeyboardEm2) ||
           IsEqualGUID(guid, GUID_SysMouseEm) || IsEqualGUID(guid, GUID_SysMouseEm2);
}

// Whether a device to be created is refused: anything but the keyboard and
// the mouse, with the game's out pointer cleared as COM asks of a failure.
template <typename Out>
bool Refused(REFGUID guid, Out* device) {
    if (IsKeyboardOrMouse(guid)) {
        return false;
    }
    if (device != nullptr) {
        *device = nullptr;
    }
    return true;
}

// The game's enumeration callback and its value, seen through the filter.
template <typename Instance, typename Callback>
struct Enumeration {
    Callback callback;
    void* value;
};

template <typename Instance, typename Callback>
BOOL CALLBACK SkipControllers(const Instance* instance, void* context) {
    auto* enumeration = static_cast<Enumeration<Instance, Callback>*>(context);
    if (IsGameController(instance->dwDevType)) {
        return DIENUM_CONTINUE;
    }
    return enumeration->callback(instance, enumeration->value);
}

template <typename Instance, typename Device, typename Callback>
BOOL CALLBACK SkipControllersBySemantics(const Instance* instance, Device device, DWORD flags,
                                         DWORD remaining, void* context) {
    auto* enumeration = static_cast<Enumeration<Instance, Callback>*>(context);
    if (IsGameController(instance->dwDevType)) {
        // DirectInput releases the device after the callback; skipping it is
        // all it takes.
        return DIENUM_CONTINUE;
    }
    return enumeration->callback(instance, device, flags, remaining, enumeration->value);
}

// The reference count and the wrapped object, shared by both families. The
// wrappers live on the process heap, so that operator new and with it the
// C++ runtime's exception machinery stay out of a DLL carried four times
// inside disabler.exe.
template <typename Filtered, typename Interface>
class Wrapper : public Interface {
  public:
    explicit Wrapper(Interface* real) : real_(real) {}

    STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown)) {
            AddRef();
            *out = static_cast<Interface*>(this);
            return S_OK;
        }
        // Another DirectInput interface of the same object comes wrapped too,
        // or the game would reach the pad through it.
        void* real = nullptr;
        const HRESULT result = real_->QueryInterface(iid, &real);
        if (FAILED(result)) {
            *out = nullptr;
            return result;
        }
        *out = FilterInterface(iid, real);
        return *out != nullptr ? result : E_OUTOFMEMORY;
    }
    STDMETHOD_(ULONG, AddRef)() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHOD_(ULONG, Release)() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) {
            real_->Release();
            Filtered* self = static_cast<Filtered*>(this);
            self->~Filtered();
            HeapFree(GetProcessHeap(), 0, self);
        }
        return static_cast<ULONG>(left);
    }

  protected:
    Interface* real_;

  private:
    LONG refs_ = 1;
};

// The methods both families share, over the interface's own types: devices
// other than the keyboard and mouse refused, controllers left out of the
// list, the rest passed through.
template <typename Filtered, typename Interface, typename Device, typename Instance,
          typename Callback, typename Text>
class FilteredDirectInput : public Wrapper<Filtered, Interface> {
  public:
    explicit FilteredDirectInput(Interface* real) : Wrapper<Filtered, Interface>(real) {}

    STDMETHOD(CreateDevice)(REFGUID guid, Device* device, IUnknown* outer) override {
        if (Refused(guid, device)) {
            return DIERR_DEVICENOTREG;
        }
        return this->real_->CreateDevice(guid, device, outer);
    }
    STDMETHOD(EnumDevices)(DWORD type, Callback callback, void* value, DWORD flags) override {
        Enumeration<Instance, Callback> enumeration = {callback, value};
        return this->real_->EnumDevices(type, SkipControllers<Instance, Callback>, &enumeration,
                                        flags);
    }
    STDMETHOD(GetDeviceStatus)(REFGUID instance) override {
        return this->real_->GetDeviceStatus(instance);
    }
    STDMETHOD(RunControlPanel)(HWND owner, DWORD flags) override {
        return this->real_->RunControlPanel(owner, flags);
    }
    STDMETHOD(Initialize)(HINSTANCE instance, DWORD version) override {
        return this->real_->Initialize(instance, version);
    }
    STDMETHOD(FindDevice)(REFGUID guid, Text name, GUID* instance) override {
        return this->real_->FindDevice(guid, name, instance);
    }
};

// DirectInput 1, 2 and 7: IDirectInput7 extends 2, which extends 1, so one
// wrapper of 7 serves all three. Its methods of 2 and 7 are only reached by
// a game that asked for those interfaces, whose wrapper then holds one.
template <typename Interface, typename Device, typename Instance, typename Callback, typename Text>
class FilteredDirectInput7 final
    : public FilteredDirectInput<FilteredDirectInput7<Interface, Device, Instance, Callback, Text>,
                                 Interface, Device, Instance, Callback, Text> {
  public:
    using FilteredDirectInput<FilteredDirectInput7, Interface, Device, Instance, Callback,
                              Text>::FilteredDirectInput;

    STDMETHOD(CreateDeviceEx)(REFGUID guid, REFIID iid, void** device, IUnknown* outer) override {
        if (Refused(guid, device)) {
            return DIERR_DEVICENOTREG;
        }
        return this->real_->CreateDeviceEx(guid, iid, device, outer);
    }
};

template <typename Interface, typename Device, typename Instance, typename Callback, typename Text,
          typename ActionFormat, typename SemanticsCallback, typename ConfigureParams>
class FilteredDirectInput8 final
    : public FilteredDirectInput<
          FilteredDirectInput8<Interface, Device, Instance, Callback, Text, ActionFormat,
                               SemanticsCallback, ConfigureParams>,
          Interface, Device, Instance, Callback, Text> {
  public:
    using FilteredDirectInput<FilteredDirectInput8, Interface, Device, Instance, Callback,
                              Text>::FilteredDirectInput;

    STDMETHOD(EnumDevicesBySemantics)
    (Text user, ActionFormat format, SemanticsCallback callback, void* value,
     DWORD flags) override {
        Enumeration<Instance, SemanticsCallback> enumeration = {callback, value};
        return this->real_->EnumDevicesBySemantics(
            user, format, SkipControllersBySemantics<Instance, Device, SemanticsCallback>,
            &enumeration, flags);
    }
    // The configuration dialog shows the devices the game's action formats
    // map, and creates none for the game: it goes through as it is.
    STDMETHOD(ConfigureDevices)
    (LPDICONFIGUREDEVICESCALLBACK callback, ConfigureParams params, DWORD flags,
     void* value) override {
        return this->real_->ConfigureDevices(callback, params, flags, value);
    }
};

using FilteredDirectInput7A =
    FilteredDirectInput7<IDirectInput7A, LPDIRECTINPUTDEVICEA, DIDEVICEINSTANCEA,
                         LPDIENUMDEVICESCALLBACKA, LPCSTR>;
using FilteredDirectInput7W =
    FilteredDirectInput7<IDirectInput7W, LPDIRECTINPUTDEVICEW, DIDEVICEINSTANCEW,
                         LPDIENUMDEVICESCALLBACKW, LPCWSTR>;
using FilteredDirectInput8A =
    FilteredDirectInput8<IDirectInput8A, LPDIRECTINPUTDEVICE8A, DIDEVICEINSTANCEA,
                         LPDIENUMDEVICESCALLBACKA, LPCSTR, LPDIACTIONFORMATA,
                         LPDIENUMDEVICESBYSEMANTICSCBA, LPDICONFIGUREDEVICESPARAMSA>;
using FilteredDirectInput8W =
    FilteredDirectInput8<IDirectInput8W, LPDIRECTINPUTDEVICE8W, DIDEVICEINSTANCEW,
                         LPDIENUMDEVICESCALLBACKW, LPCWSTR, LPDIACTIONFORMATW,
                         LPDIENUMDEVICESBYSEMANTICSCBW, LPDICONFIGUREDEVICESPARAMSW>;

// `real` wrapped as a `Filtered`; null, with `real` released, when there is
// no memory for the wrapper.
template <typename Filtered, typename Interface>
void* Wrap(void* real) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(Filtered));
    if (memory == nullptr) {
        static_cast<IUnknown*>(real)->Release();
        return nullptr;
    }
    return static_cast<Interface*>(new (memory) Filtered(static_cast<Interface*>(real)));
}

bool IsOneOf(REFIID iid, REFIID a, REFIID b, REFIID c) {
    return IsEqualIID(iid, a) || IsEqualIID(iid, b) || IsEqualIID(iid, c);
}

}  // namespace

HMODULE LoadSystemDirectInput(const wchar_t* dllName) {
    wchar_t path[MAX_PATH];
    return SystemFolderPath(dllName, path) ? LoadLibraryW(path) : nullptr;
}

FARPROC SystemProc(const wchar_t* dllName, const char* name) {
    HMODULE system = LoadSystemDirectInput(dllName);
    return system != nullptr ? GetProcAddress(system, name) : nullptr;
}

void* FilterInterface(REFIID iid, void* real) {
    if (real == nullptr) {
        return nullptr;
    }
    if (IsEqualIID(iid, IID_IDirectInput8A)) {
        return Wrap<FilteredDirectInput8A, IDirectInput8A>(real);
    }
    if (IsEqualIID(iid, IID_IDirectInput8W)) {
        return Wrap<FilteredDirectInput8W, IDirectInput8W>(real);
    }
    if (IsOneOf(iid, IID_IDirectInputA, IID_IDirectInput2A, IID_IDirectInput7A)) {
        return Wrap<FilteredDirectInput7A, IDirectInput7A>(real);
    }
    if (IsOneOf(iid, IID_IDirectInputW, IID_IDirectInput2W, IID_IDirectInput7W)) {
        return Wrap<FilteredDirectInput7W, IDirectInput7W>(real);
    }
    return real;
}

HRESULT FilterCreated(HRESULT result, REFIID iid, void** out, IUnknown* outer) {
    // An aggregated object is the outer object's business; games don't.
    if (FAILED(result) || out == nullptr || outer != nullptr) {
        return result;
    }
    *out = FilterInterface(iid, *out);
    return *out != nullptr ? result : E_OUTOFMEMORY;
}

HRESULT CreateFiltered(const char* name, HINSTANCE instance, DWORD version, REFIID iid, void** out,
                       IUnknown* outer) {
    using Entry = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    auto create = SystemEntry<Entry>(kSystemDllName, name);
    if (create == nullptr) {
        return DIERR_GENERIC;
    }
    return FilterCreated(create(instance, version, iid, out, outer), iid, out, outer);
}

#define PAMURO_QUOTE(name) #name
#define PAMURO_DLL_NAME(name) L"" PAMURO_QUOTE(name) ".dll"
const wchar_t kSystemDllName[] = PAMURO_DLL_NAME(PAMURO_FILTER_NAME);

namespace {

HRESULT ForwardDllRegistration(const char* name) {
    using Entry = HRESULT(WINAPI*)();
    auto entry = SystemEntry<Entry>(kSystemDllName, name);
    return entry != nullptr ? entry() : E_FAIL;
}

}  // namespace

extern "C" {

// The wrappers live in this DLL: it stays as long as the game.
HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    using Entry = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto entry = SystemEntry<Entry>(kSystemDllName, "DllGetClassObject");
    return entry != nullptr ? entry(clsid, iid, out) : CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT WINAPI DllRegisterServer() {
    return ForwardDllRegistration("DllRegisterServer");
}

HRESULT WINAPI DllUnregisterServer() {
    return ForwardDllRegistration("DllUnregisterServer");
}

}  // extern "C"
