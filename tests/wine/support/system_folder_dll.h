#pragma once
// A test DLL in the system folder of the test prefix, for a program that
// loads that DLL from there only. Run the test with a native override for
// the DLL (WINEDLLOVERRIDES=name=n,b), or Wine keeps its own.
#include <windows.h>

#include <string>

#include "common/win32/system_folder.h"

// Puts the file `fake` into the system folder as `name` for the life of the
// object (syswow64 for a 32-bit test: Wine redirects the system folder), and
// Wine's file back afterwards. Wine's file is kept beside it meanwhile; one
// left there by a run that died half-way is put back first.
class SystemFolderDll {
  public:
    SystemFolderDll(const std::wstring& fake, const wchar_t* name) {
        wchar_t path[MAX_PATH];
        if (!SystemFolderPath(name, path)) {
            return;
        }
        target_ = path;
        kept_ = target_ + L".pamuro-test";
        if (GetFileAttributesW(kept_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            MoveFileExW(kept_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        hadOriginal_ = MoveFileExW(target_.c_str(), kept_.c_str(), MOVEFILE_REPLACE_EXISTING);
        installed_ = CopyFileW(fake.c_str(), target_.c_str(), FALSE);
    }
    SystemFolderDll(const SystemFolderDll&) = delete;
    SystemFolderDll& operator=(const SystemFolderDll&) = delete;
    ~SystemFolderDll() {
        if (target_.empty()) {
            return;
        }
        DeleteFileW(target_.c_str());
        if (hadOriginal_) {
            MoveFileW(kept_.c_str(), target_.c_str());
        }
    }
    bool Installed() const { return installed_ != FALSE; }

  private:
    std::wstring target_, kept_;
    BOOL hadOriginal_ = FALSE, installed_ = FALSE;
};
