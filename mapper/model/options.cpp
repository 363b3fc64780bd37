#include "mapper/model/options.h"

uint8_t OptionFromDialog(const OptionRow& row, uint32_t answer) {
    if (row.Control == OptionControl::ChoicePair) {
        return answer != 0 ? row.Min : row.Max;
    }
    return static_cast<uint8_t>(answer & 0xFFFF);
}

uint8_t OptionFromFile(const OptionRow& row, int32_t value) {
    if (!row.Later) {
        return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
    }
    if (value < row.Min) {
        return row.Min;
    }
    return static_cast<uint8_t>(value > row.Max ? row.Max : value);
}
