#pragma once
// Paths in the system folder, for loading a system DLL by full path.
#include <windows.h>

// "<system folder>\<name>" in `path`; false when the folder is unknown or
// the path does not fit.
inline bool SystemFolderPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(name) >= MAX_PATH) {
        return false;
    }
    path[length] = L'\\';
    lstrcpyW(path + length + 1, name);
    return true;
}
