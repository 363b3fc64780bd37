#pragma once
// Key names from the keyboard layout of the calling thread, as Shift-JIS.
#include "mapper/ui/core/key_labels.h"

KeyNameSource& Win32KeyNameSource();
