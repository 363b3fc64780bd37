#pragma once
// Win32 backend of SettingsStorage: kernel32 file functions and code page 932.
#include "mapper/model/settings_storage.h"

SettingsStorage& Win32SettingsStorage();
