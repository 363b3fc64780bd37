#pragma once
// Key names for builds without Windows: letters, digits and a few keys named
// the way a US keyboard layout names them (extended bit clear).
#include "mapper/ui/core/key_labels.h"

KeyNameSource& PosixKeyNames();
