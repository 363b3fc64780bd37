#pragma once
// Stand-alone key names, for the native tests only: letters, digits and a
// few keys named the way a US keyboard layout names them (extended bit
// clear). mapper.exe takes its names from the keyboard layout
// (mapper/platform/win32).
#include "mapper/platform/key_name_source.h"

KeyNameSource& StandaloneKeyNameSource();
