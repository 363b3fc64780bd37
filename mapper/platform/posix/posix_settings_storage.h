#pragma once
// Stand-alone backend of SettingsStorage for builds without Windows: POSIX
// files, with the backslash of "dir\Top.ini" taken as the directory separator.
#include "mapper/model/settings_storage.h"

SettingsStorage& PosixSettingsStorage();
