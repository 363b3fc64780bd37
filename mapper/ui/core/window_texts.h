#pragma once
// Texts that the main window builds from the key-set table.
#include <cstdint>

#include "mapper/model/keyset_table.h"

constexpr int32_t kTitleSize = 256;
constexpr int32_t kPromptSize = 1024;

// "Pamuro - 「name」" for the set at ActiveSet, into `out` (kTitleSize bytes).
// A name too long for the title is cut at a character boundary, never inside
// a double-byte character. An empty table gives "Pamuro".
void FormatWindowTitle(const KeySetTable& table, char* out);

// "キー設定「name」を削除します。よろしいですか？" for the set at ActiveSet,
// into `out` (kPromptSize bytes).
void FormatDeletePrompt(const KeySetTable& table, char* out);

// True when ActiveSet names a set of the table (false for an empty table).
bool HasActiveSet(const KeySetTable& table);
