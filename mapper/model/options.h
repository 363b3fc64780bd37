#pragma once
// The two options of the polling loop, kept in Top.ini. The settings dialog
// writes them on the interface thread; the polling thread reads them at every
// pass, so each is an atomic byte.
#include <atomic>
#include <cstdint>

enum KeyDownModeValue : uint8_t {
    KeyDownRapid = 0,  // "連打モード": key-down again at every poll while held; any value but 1
    KeyDownNormal = 1,  // "通常モード": one key-down per activation
};

struct MapperOptions {
    std::atomic<uint8_t> KeyDownMode;  // 1 Normal, anything else Rapid
    std::atomic<uint8_t> SetSleep;     // milliseconds the polling thread rests before each pass
};
