// A test game that reads its input through DirectInput, as the games of the
// 1998 to 2010 era do: it loads dinput8.dll (argument "8", DirectInput 8,
// wide) or dinput.dll (argument "1", DirectInput 1, ANSI) by name, so the
// one beside it wins, lists the devices, creates the pad by the GUID it
// would have kept from an earlier run, creates the keyboard and reads it.
// It writes what it saw to the file named by its second argument:
//   device <name>     one line per device listed
//   pad <hresult>     what creating the pad by its GUID gave (hex)
//   keys <codes>      the keys the keyboard reports held (hex)
// and exits with 0 once everything it asked of DirectInput was answered.
#include <dinput.h>

#include <cstdio>
#include <string>

#include "tests/wine/dinput_filter/fake_dinput.h"

namespace {

std::string Narrow(const char* text) {
    return text;
}
std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text != 0; ++text) {
        narrow.push_back(static_cast<char>(*text));
    }
    return narrow;
}

template <typename Instance>
BOOL CALLBACK ListDevice(const Instance* instance, void* report) {
    *static_cast<std::string*>(report) += "device " + Narrow(instance->tszInstanceName) + "\n";
    return DIENUM_CONTINUE;
}

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

// Lists, creates and reads through `input`; false when a call that a game
// cannot do without failed.
template <typename Input, typename Instance, typename Device>
bool Play(Input* input, std::string& report) {
    if (FAILED(input->EnumDevices(0, ListDevice<Instance>, &report, DIEDFL_ALLDEVICES))) {
        return false;
    }
    Device pad = nullptr;
    report += "pad " +
              Hex(static_cast<unsigned long>(input->CreateDevice(kFakePadGuid, &pad, nullptr))) +
              "\n";
    if (pad != nullptr) {
        pad->Release();
    }
    Device keyboard = nullptr;
    if (FAILED(input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr))) {
        return false;
    }
    BYTE keys[256] = {};
    const bool read = SUCCEEDED(keyboard->SetDataFormat(&c_dfDIKeyboard)) &&
                      SUCCEEDED(keyboard->SetCooperativeLevel(
                          GetDesktopWindow(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)) &&
                      SUCCEEDED(keyboard->Acquire()) &&
                      SUCCEEDED(keyboard->GetDeviceState(sizeof keys, keys));
    keyboard->Release();
    report += "keys";
    for (int key = 0; key < 256; ++key) {
        if (keys[key] & 0x80) {
            report += " " + Hex(static_cast<unsigned long>(key));
        }
    }
    report += "\n";
    return read;
}

bool PlayDirectInput8(std::string& report) {
    using Create = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    HMODULE dll = LoadLibraryW(L"dinput8.dll");
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DirectInput8Create")));
    IDirectInput8W* input = nullptr;
    if (create == nullptr ||
        FAILED(create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                      reinterpret_cast<void**>(&input), nullptr))) {
        return false;
    }
    const bool played =
        Play<IDirectInput8W, DIDEVICEINSTANCEW, IDirectInputDevice8W*>(input, report);
    input->Release();
    return played;
}

bool PlayDirectInput1(std::string& report) {
    using Create = HRESULT(WINAPI*)(HINSTANCE, DWORD, LPDIRECTINPUTA*, IUnknown*);
    HMODULE dll = LoadLibraryW(L"dinput.dll");
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DirectInputCreateA")));
    IDirectInputA* input = nullptr;
    if (create == nullptr || FAILED(create(GetModuleHandleW(nullptr), 0x0300, &input, nullptr))) {
        return false;
    }
    const bool played = Play<IDirectInputA, DIDEVICEINSTANCEA, IDirectInputDeviceA*>(input, report);
    input->Release();
    return played;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    std::string report;
    const bool played =
        std::string(argv[1]) == "8" ? PlayDirectInput8(report) : PlayDirectInput1(report);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        return 3;
    }
    std::fwrite(report.data(), 1, report.size(), out);
    std::fclose(out);
    return played ? 0 : 1;
}
