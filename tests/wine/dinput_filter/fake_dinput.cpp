// A test DirectInput for the system folder of the Wine prefix, in both
// names (fake_dinput8.def, fake_dinput.def): DirectInput 8 in the wide
// flavour and DirectInput 1 in the ANSI flavour, the two the test game
// uses. It reports a keyboard and a game pad, and the keyboard holds the
// keys of fake_dinput.h, so a test can tell this DirectInput's answers from
// anything Wine's own would give.
#include <dinput.h>

#include <new>

#include "tests/wine/dinput_filter/fake_dinput.h"

namespace {

// The reference count of every fake object; none answers for another
// interface.
template <typename Interface>
class FakeUnknown : public Interface {
  public:
    STDMETHOD(QueryInterface)(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    virtual ~FakeUnknown() = default;

  private:
    ULONG refs_ = 1;
};

// The keyboard and the pad alike (their state is the keyboard's). A
// DirectInput 8 device extends the DirectInput 1 device by methods the test
// game never calls, so this object serves as both.
class FakeDevice final : public FakeUnknown<IDirectInputDeviceA> {
  public:
    STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { return E_NOTIMPL; }
    STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, void*, DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHOD(GetProperty)(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
    STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
    STDMETHOD(Acquire)() override { return DI_OK; }
    STDMETHOD(Unacquire)() override { return DI_OK; }
    STDMETHOD(GetDeviceState)(DWORD size, void* data) override {
        if (size != 256) {
            return DIERR_INVALIDPARAM;
        }
        BYTE* keys = static_cast<BYTE*>(data);
        ZeroMemory(keys, size);
        for (BYTE key : kFakeHeldKeys) {
            keys[key] = 0x80;
        }
        return DI_OK;
    }
    STDMETHOD(GetDeviceData)(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT) override { return DI_OK; }
    STDMETHOD(SetEventNotification)(HANDLE) override { return E_NOTIMPL; }
    STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { return DI_OK; }
    STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
};

HRESULT CreateFakeDevice(REFGUID guid, void** device) {
    if (!IsEqualGUID(guid, GUID_SysKeyboard) && !IsEqualGUID(guid, kFakePadGuid)) {
        *device = nullptr;
        return DIERR_DEVICENOTREG;
    }
    *device = new (std::nothrow) FakeDevice;
    return *device != nullptr ? DI_OK : E_OUTOFMEMORY;
}

template <typename Char, size_t size>
void CopyName(Char (&to)[size], const Char* from) {
    for (size_t i = 0; i + 1 < size && from[i] != 0; ++i) {
        to[i] = from[i];
    }
}

// The two devices as `Instance`, with the device types of the DirectInput
// version asked.
template <typename Instance, typename Char, typename Callback>
void EnumerateFakeDevices(Callback callback, void* value, DWORD keyboardType, DWORD padType,
                          const Char* keyboardName, const Char* padName) {
    Instance keyboard = {};
    keyboard.dwSize = sizeof keyboard;
    keyboard.guidInstance = keyboard.guidProduct = GUID_SysKeyboard;
    keyboard.dwDevType = keyboardType;
    CopyName(keyboard.tszInstanceName, keyboardName);
    CopyName(keyboard.tszProductName, keyboardName);
    Instance pad = {};
    pad.dwSize = sizeof pad;
    pad.guidInstance = pad.guidProduct = kFakePadGuid;
    pad.dwDevType = padType;
    CopyName(pad.tszInstanceName, padName);
    CopyName(pad.tszProductName, padName);
    if (callback(&keyboard, value) == DIENUM_CONTINUE) {
        callback(&pad, value);
    }
}

class FakeDirectInput8W final : public FakeUnknown<IDirectInput8W> {
  public:
    STDMETHOD(CreateDevice)(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, IUnknown*) override {
        return CreateFakeDevice(guid, reinterpret_cast<void**>(device));
    }
    STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKW callback, void* value, DWORD) override {
        EnumerateFakeDevices<DIDEVICEINSTANCEW>(
            callback, value, DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8),
            DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8), L"Fake Keyboard", L"Fake Pad");
        return DI_OK;
    }
    STDMETHOD(GetDeviceStatus)(REFGUID) override { return DI_OK; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return DI_OK; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD) override { return DI_OK; }
    STDMETHOD(FindDevice)(REFGUID, LPCWSTR, LPGUID) override { return E_NOTIMPL; }
    STDMETHOD(EnumDevicesBySemantics)
    (LPCWSTR, LPDIACTIONFORMATW, LPDIENUMDEVICESBYSEMANTICSCBW, void*, DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHOD(ConfigureDevices)
    (LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSW, DWORD, void*) override {
        return E_NOTIMPL;
    }
};

class FakeDirectInputA final : public FakeUnknown<IDirectInputA> {
  public:
    STDMETHOD(CreateDevice)(REFGUID guid, LPDIRECTINPUTDEVICEA* device, IUnknown*) override {
        return CreateFakeDevice(guid, reinterpret_cast<void**>(device));
    }
    STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA callback, void* value, DWORD) override {
        EnumerateFakeDevices<DIDEVICEINSTANCEA>(callback, value, DIDEVTYPE_KEYBOARD,
                                                DIDEVTYPE_JOYSTICK, "Fake Keyboard", "Fake Pad");
        return DI_OK;
    }
    STDMETHOD(GetDeviceStatus)(REFGUID) override { return DI_OK; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return DI_OK; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD) override { return DI_OK; }
};

}  // namespace

extern "C" {

HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD, REFIID iid, void** out, IUnknown*) {
    if (!IsEqualIID(iid, IID_IDirectInput8W)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IDirectInput8W*>(new (std::nothrow) FakeDirectInput8W);
    return *out != nullptr ? DI_OK : E_OUTOFMEMORY;
}

HRESULT WINAPI DirectInputCreateA(HINSTANCE, DWORD, LPDIRECTINPUTA* out, IUnknown*) {
    *out = new (std::nothrow) FakeDirectInputA;
    return *out != nullptr ? DI_OK : E_OUTOFMEMORY;
}

}  // extern "C"
