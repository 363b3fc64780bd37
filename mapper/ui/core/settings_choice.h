#pragma once
// What the settings dialog's OK stores, apart from the dialog itself.
#include <cstdint>

#include "mapper/model/options.h"

// Stores the choice: rapid fire when its button is checked, else normal, and
// the rest from the up-down control's UDM_GETPOS answer. Its low word is the
// position, which the control keeps within 0..5 whatever is typed into the
// edit; the high word (set when the edit holds no number) is ignored.
void StoreSettingsChoice(MapperOptions& options, bool rapidChecked, uint32_t spinAnswer);
