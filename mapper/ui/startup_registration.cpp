#include "startup_registration.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/win32/owned.h"
#include "mapper/ui/core/startup_shortcut.h"

namespace {

// A shell link and its file interface; false when COM could not make them.
bool MakeShellLink(ComPointer<IShellLinkW>& link, ComPointer<IPersistFile>& file) {
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, link.Receive())) &&
           SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Receive()));
}

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
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    wchar_t target[kShortcutPathSize];
    wchar_t arguments[kShortcutPathSize];
    wchar_t folder[kShortcutPathSize];
    return MakeShellLink(link, file) && SUCCEEDED(file->Load(Wide(shortcut.file), STGM_READ)) &&
           link->GetPath(target, kShortcutPathSize, nullptr, SLGP_RAWPATH) == S_OK &&
           SUCCEEDED(link->GetArguments(arguments, kShortcutPathSize)) &&
           SUCCEEDED(link->GetWorkingDirectory(folder, kShortcutPathSize)) &&
           ShortcutMatches(shortcut, Utf16(target), Utf16(arguments), Utf16(folder));
}

bool Write(const StartupShortcut& shortcut) {
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    return MakeShellLink(link, file) && SUCCEEDED(link->SetPath(Wide(shortcut.target))) &&
           SUCCEEDED(link->SetArguments(Wide(shortcut.arguments))) &&
           SUCCEEDED(link->SetWorkingDirectory(Wide(shortcut.workingFolder))) &&
           SUCCEEDED(link->SetIconLocation(Wide(shortcut.target), 0)) &&
           SUCCEEDED(file->Save(Wide(shortcut.file), TRUE));
}

}  // namespace

bool StartsWithWindows(const char16_t* startupDirectory) {
    ComApartment com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) && StartsThisProgram(shortcut);
}

bool AddStartupShortcut(const char16_t* startupDirectory) {
    ComApartment com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) && Write(shortcut);
}

bool RemoveStartupShortcut(const char16_t* startupDirectory) {
    ComApartment com;
    StartupShortcut shortcut;
    return ThisShortcut(startupDirectory, shortcut) &&
           (DeleteFileW(Wide(shortcut.file)) || GetLastError() == ERROR_FILE_NOT_FOUND);
}
