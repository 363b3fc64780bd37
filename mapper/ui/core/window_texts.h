#pragma once
// Texts that the main window builds from the key-set table.
#include <cstdint>

#include "mapper/model/keyset_table.h"

constexpr int32_t kTitleSize = 256;
constexpr int32_t kPromptSize = 1024;
constexpr int32_t kActionTextSize = 320;  // a HOLD's text with a 255-byte name
// Bytes of the tray icon's tip with its zero: its 64 UTF-16 units hold them,
// one unit per Shift-JIS character.
constexpr int32_t kTrayTipSize = 64;

// "Pamuro - 「name」" for the set at ActiveSet, into `out` (kTitleSize bytes).
// A name too long for the title is cut at a character boundary, never inside
// a double-byte character. An empty table gives "Pamuro".
void FormatWindowTitle(const KeySetTable& table, char* out);

// The title cut to the tray icon's tip (kTrayTipSize bytes), the name giving way.
void FormatTrayTip(const KeySetTable& table, char* out);

// The text of `action` as the grid and the capture window's list show it,
// into `out` (kActionTextSize bytes); empty for no action. A HOLD names its
// set, or nothing when the set lies beyond the table.
void FormatActionText(const KeySetTable& table, int32_t action, char* out);

// The capture window's list: the next set, the previous set, pause, then a
// HOLD of each set in table order.
int32_t ActionOfChoice(int32_t index);
constexpr int32_t kFirstHoldChoice = 3;

// "キー設定「name」を削除します。よろしいですか？" for the set at ActiveSet,
// into `out` (kPromptSize bytes).
void FormatDeletePrompt(const KeySetTable& table, char* out);

// True when ActiveSet names a set of the table (false for an empty table).
bool HasActiveSet(const KeySetTable& table);
