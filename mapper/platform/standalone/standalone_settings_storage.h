#pragma once
// Stand-alone backend of SettingsStorage, for the native tests and
// benchmarks: POSIX files, with the backslash of "dir\Top.ini" taken as the
// directory separator. mapper.exe runs on the Win32 backend
// (mapper/platform/win32).
#include "mapper/model/settings_storage.h"

SettingsStorage& StandaloneSettingsStorage();
