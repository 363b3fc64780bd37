#pragma once
// The labels that the main window's binding grid shows for key codes: a fixed
// table of 48 codes with labels of their own, and for every other code the
// name that the keyboard layout gives the key. Labels are Shift-JIS bytes.
#include <cstdint>

#include "mapper/platform/key_name_source.h"

// The longest table label, "システムのキャンセルボタン", and its terminator.
constexpr int32_t kLongestTableLabel = 27;

// The table's own label for `code`, or nullptr when the code has none.
const char* TableKeyLabel(uint32_t code);

// Writes the label of `code` into `buffer`. A table label is copied whole,
// whatever `size` says (the buffer must hold kLongestTableLabel bytes); the
// size bounds only the name from `names`.
void GetKeyLabel(uint32_t code, char* buffer, int32_t size, KeyNameSource& names);
