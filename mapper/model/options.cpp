#include "mapper/model/options.h"

uint8_t OptionFromDialog(const OptionRow& row, uint32_t answer) {
    if (row.Control == OptionControl::ChoicePair) {
        return answer != 0 ? row.Min : row.Max;
    }
    return static_cast<uint8_t>(answer & 0xFFFF);
}
