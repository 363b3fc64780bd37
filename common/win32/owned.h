#pragma once
// Owning wrappers for what the system hands out: a handle, a find handle, a
// module, a window, a device notice, a GDI object, a COM pointer and COM
// itself. Each gives back what it holds once, when it goes out of scope, on
// every path.
#include <windows.h>
#include <objbase.h>

// Holds one handle of the kind Traits describes (its type, the value that
// means none, how it is given back).
template <typename Traits>
class Owned {
  public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != Traits::None(); }
    // Gives the handle up without closing it.
    Handle Release() {
        const Handle handle = handle_;
        handle_ = Traits::None();
        return handle;
    }
    // Closes what is held, then holds `handle`. False when the close failed.
    bool Reset(Handle handle = Traits::None()) {
        const bool closed = !Valid() || Traits::Close(handle_);
        handle_ = handle;
        return closed;
    }
    // For a call that hands the handle out through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::None();
};

struct HandleTraits {  // CreateEvent, OpenProcess, OpenProcessToken, ...: null for none
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};
struct FileHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE for none
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};
struct FindHandleTraits {  // FindFirstFile
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return FindClose(handle) != FALSE; }
};
struct ModuleTraits {  // LoadLibrary
    using Handle = HMODULE;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return FreeLibrary(handle) != FALSE; }
};
struct WindowTraits {  // CreateWindowEx, for a window no one else destroys
    using Handle = HWND;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return DestroyWindow(handle) != FALSE; }
};
struct DeviceNoticeTraits {  // RegisterDeviceNotification
    using Handle = HDEVNOTIFY;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return UnregisterDeviceNotification(handle) != FALSE; }
};
template <typename Object>
struct GdiObjectTraits {  // CreateFont, CreateSolidBrush, ...: not selected into a DC by then
    using Handle = Object;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return DeleteObject(handle) != FALSE; }
};

using OwnedHandle = Owned<HandleTraits>;
using OwnedFile = Owned<FileHandleTraits>;
using OwnedFind = Owned<FindHandleTraits>;
using OwnedModule = Owned<ModuleTraits>;
using OwnedWindow = Owned<WindowTraits>;
using OwnedDeviceNotice = Owned<DeviceNoticeTraits>;
template <typename Object>
using OwnedGdiObject = Owned<GdiObjectTraits<Object>>;

// One reference to a COM interface.
template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() { Reset(); }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void Reset() {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }
    // For CoCreateInstance and QueryInterface.
    void** Receive() {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }

  private:
    Interface* pointer_ = nullptr;
};

// COM on this thread (single-threaded apartment) for the scope's length.
class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT result_;
};
