#pragma once
// What the key labels need from the system: the name the keyboard layout
// gives a key. Here, below the backends, so that no backend reaches up into
// the interface's core.
#include <cstdint>

// The keyboard layout on Windows (win32/), a small table elsewhere
// (standalone/).
class KeyNameSource {
  public:
    virtual ~KeyNameSource() = default;
    // Writes the name of the key with virtual-key code `code` into `buffer`
    // (`size` bytes) as zero-terminated Shift-JIS of at most size - 1 bytes,
    // cut at a character boundary. Empty for code 0 and for codes that name
    // no key. Writes nothing when `size` is below 1.
    virtual void KeyName(uint32_t code, char* buffer, int32_t size) = 0;
};
