#include "startup_registration.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "mapper/ui/core/startup_shortcut.h"

namespace {

// COM for the length of one operation on the interface thread.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT result_;
};

// A shell link with its file interface, released on destruction.
class ShellLink {
  public:
    ShellLink() {
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(&link_)))) {
            link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_));
        }
    }
    ~ShellLink() {
        if (file_ != nullptr) {
            file_->Release();
        }
        if (link_ != nullptr) {
            link_->Release();
        }
    }
    ShellLink(const ShellLink&) = delete;
    ShellLink& operator=(const ShellLink&) = delete;
    IShellLinkW* Link() const { return file_ != nullptr ? link_ : nullptr; }
    IPersistFile* File() const { return file_; }

  private:
    IShellLinkW* link_ = nullptr;
    IPersistFile* file_ = nullptr;
};

const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

const char16_t* Utf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

// The shortcut of this run; false when a path cannot be had.
bool ThisShortcut(const char16_t* startupDirectory, StartupShortcut& shortcut) {
    wchar_t program[kShortcutPathSize];
    const DWORD length = GetModuleFileNameW(nullptr, program, kShortcutPathSize);
    PWSTR folder = nullptr;
    if (length == 0 || length >= kShortcutPathSize ||
        FAILED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &folder))) {
        CoTaskMemFree(folder);
        return false;
    }
    const bool made =
        MakeStartupShortcut(reinterpret_cast<const char16_t*>(folder),
                            reinterpret_cast<const char16_t*>(program), startupDirectory, shortcut);
    CoTaskMemFree(folder);
    return made;
}

// A Pamuro.lnk of another copy, or of this one before it was moved, is not
// ours: the button offers to register, which writes it anew.
bool StartsThisProgram(const StartupShortcut& shortcut) {
    ShellLink link;
    wchar_t target[kShortcutPathSize];
    wchar_t arguments[kShortcutPathSize];
    wchar_t folder[kShortcutPathSize];
    IShellLinkW* fields = link.Link();
    return fields != nullptr && SUCCEEDED(link.File()->Load(Wide(shortcut.file), STGM_READ)) &&
           fields->GetPath(target, kShortcutPathSize, nullptr, SLGP_RAWPATH) == S_OK &&
           SUCCEEDED(fields->GetArguments(arguments, kShortcutPathSize)) &&
           SUCCEEDED(fields->GetWorkingDirectory(folder, kShortcutPathSize)) &&
           ShortcutMatches(shortcut, Utf16(target), Utf16(arguments), Utf16(folder));
}

bool Write(const StartupShortcut& shortcut) {
    ShellLink link;
    IShellLinkW* fields = link.Link();
    return fields != nullptr && SUCCEEDED(fields->SetPath(Wide(shortcut.target))) &&
           SUCCEEDED(fields->SetArguments(Wide(shortcut.arguments))) &&
           SUCCEEDED(fields->SetWorkingDirectory(Wide(shortcut.workingFolder))) &&
           SUCCEEDED(fields->SetIconLocation(Wide(shortcut.target), 0)) &&
           SUCCEEDED(link.File()->Save(Wide(shortcut.file), TRUE));
}

}  // namespace

bool StartsWithWindows(const char16_t* startupDirectory) {
    ComScope com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) && StartsThisProgram(shortcut);
}

bool AddStartupShortcut(const char16_t* startupDirectory) {
    ComScope com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) && Write(shortcut);
}

bool RemoveStartupShortcut(const char16_t* startupDirectory) {
    ComScope com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) &&
           (DeleteFileW(Wide(shortcut.file)) || GetLastError() == ERROR_FILE_NOT_FOUND);
}
