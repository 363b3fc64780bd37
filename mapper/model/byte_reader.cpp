#include "mapper/model/byte_reader.h"

#include <cstring>

int32_t ByteReader::Int32LE(size_t offset) const {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(ByteAfter(offset, i)) << (8 * i);
    }
    int32_t signedValue;
    std::memcpy(&signedValue, &value, sizeof signedValue);
    return signedValue;
}

bool ByteReader::Matches(size_t offset, const char* expected, size_t count) const {
    for (size_t i = 0; i < count; ++i) {
        if (ByteAfter(offset, i) != static_cast<uint8_t>(expected[i])) {
            return false;
        }
    }
    return true;
}

void ByteReader::Text(size_t offset, size_t fieldSize, char* out, size_t outSize) const {
    size_t length = 0;
    while (length < fieldSize && length + 1 < outSize) {
        const uint8_t byte = ByteAfter(offset, length);
        if (byte == 0) {
            break;
        }
        out[length++] = static_cast<char>(byte);
    }
    out[length] = '\0';
}
