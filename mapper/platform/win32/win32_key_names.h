#pragma once
// Key names from the keyboard layout of the calling thread, as Shift-JIS.
#include "mapper/platform/key_name_source.h"

KeyNameSource& Win32KeyNameSource();
