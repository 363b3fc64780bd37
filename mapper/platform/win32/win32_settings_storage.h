#pragma once
// Win32 backend of SettingsStorage: kernel32's wide file functions and code
// page 932. A save writes "Top.~n" (the first n that names no file) beside
// the file, with the file's attributes, flushes it and moves it over the file.
#include "mapper/model/settings_storage.h"

SettingsStorage& Win32SettingsStorage();
