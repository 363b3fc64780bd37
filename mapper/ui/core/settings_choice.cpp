#include "mapper/ui/core/settings_choice.h"

void StoreSettingsChoice(MapperOptions& options, bool rapidChecked, uint32_t spinAnswer) {
    options.KeyDownMode.store(rapidChecked ? KeyDownRapid : KeyDownNormal);
    options.SetSleep.store(static_cast<uint8_t>(spinAnswer & 0xFFFF));
}
