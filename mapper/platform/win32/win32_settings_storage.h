#pragma once
// Win32 backend of SettingsStorage: kernel32's wide file functions and code
// page 932. A save writes "<path>.<process id>-<n>.tmp" (the first n that
// names no file) beside the file, flushes it and puts it in the file's place
// with ReplaceFileW, which keeps the file's attributes.
#include "mapper/model/settings_storage.h"

SettingsStorage& Win32SettingsStorage();
