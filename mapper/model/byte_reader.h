#pragma once
// Bounds-checked reads of little-endian fields from a fixed byte buffer.
// Every byte past the end of the data reads as 0, so a short file degrades to
// zero fields instead of undefined bytes, and no read can leave the buffer.
#include <cstddef>
#include <cstdint>

class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Size() const { return size_; }

    // The byte at `offset`; 0 past the end.
    uint8_t Byte(size_t offset) const { return offset < size_ ? data_[offset] : 0; }

    // The signed 32-bit little-endian value at `offset`; bytes past the end count as 0.
    int32_t Int32LE(size_t offset) const;

    // True when the `count` bytes at `offset` equal `expected` (bytes past the
    // end count as 0).
    bool Matches(size_t offset, const char* expected, size_t count) const;

    // Copies the zero-terminated text of the `fieldSize`-byte field at
    // `offset` into `out` (`outSize` bytes, at least 1): up to the field's
    // first zero byte, the end of the field or `outSize` - 1 bytes, whichever
    // comes first. `out` is always terminated.
    void Text(size_t offset, size_t fieldSize, char* out, size_t outSize) const;

  private:
    // The byte `index` places after `offset`, safe against wrap-around.
    uint8_t ByteAfter(size_t offset, size_t index) const {
        return offset < size_ && index < size_ - offset ? data_[offset + index] : 0;
    }

    const uint8_t* data_;
    size_t size_;
};
