#pragma once
// The options of the polling loop, kept in Top.ini's "SETTING" section and
// set in the settings dialog. The dialog writes them on the interface thread;
// the polling thread reads them at every pass, so each is an atomic byte.
//
// Each option is one row of kOptionRows: its key, its default, the range the
// dialog offers and how the dialog shows it. Load, save and the dialog go
// through the rows, so a new option is a field and a row (and its controls in
// the dialog's resource).
#include <atomic>
#include <cstdint>

enum KeyDownModeValue : uint8_t {
    KeyDownRapid = 0,  // "連打モード": key-down again at every poll while held; any value but 1
    KeyDownNormal = 1,  // "通常モード": one key-down per activation
};

struct MapperOptions {
    std::atomic<uint8_t> KeyDownMode;  // 1 Normal, anything else Rapid
    std::atomic<uint8_t> SetSleep;     // milliseconds the polling thread rests before each pass
    // The shortest time from a key-down to its key-up ("最短押下時間"), 0..100
    // ms: a game that reads the keyboard once a frame must see a quick tap.
    std::atomic<uint8_t> MinPressMs{0};
};

// How the settings dialog shows an option.
enum class OptionControl : uint8_t {
    // Two radio buttons: the first checked for Max, the second for any other
    // value; OK stores Min when the second is checked, else Max.
    ChoicePair,
    // An edit with an up-down control that keeps it within Min..Max; OK
    // stores the control's position.
    Spin,
};

struct OptionRow {
    const char* Key;  // in "SETTING"
    std::atomic<uint8_t> MapperOptions::*Field;
    // What a file without the key gives; a value read is cut to its low byte
    // (see Later).
    uint8_t Default;
    uint8_t Min, Max;  // what the dialog offers
    OptionControl Control;
    // The dialog's controls: the two buttons, or the edit and its up-down control.
    int FirstControlId, SecondControlId;
    // Added after the first releases: written only when not 0 or already in
    // the file (a file that never used it saves byte for byte as before), and
    // a value read is kept within Min..Max instead.
    bool Later = false;
};

inline constexpr OptionRow kOptionRows[] = {
    {"SetKeyDownMode", &MapperOptions::KeyDownMode, KeyDownRapid, KeyDownRapid, KeyDownNormal,
     OptionControl::ChoicePair, 1000, 1001},
    {"SetSleep", &MapperOptions::SetSleep, 0, 0, 5, OptionControl::Spin, 1004, 1005},
    {"MinPressMs", &MapperOptions::MinPressMs, 0, 0, 100, OptionControl::Spin, 1006, 1007, true},
};
constexpr int kOptionCount = static_cast<int>(sizeof kOptionRows / sizeof kOptionRows[0]);

// What the dialog's OK stores for `row`: for a ChoicePair, `answer` is 1 when
// the second button is checked; for a Spin, the up-down control's UDM_GETPOS
// answer, whose low word is the position (the control keeps it within range
// whatever is typed) and whose high word (set when the edit holds no number)
// is ignored.
uint8_t OptionFromDialog(const OptionRow& row, uint32_t answer);
// What `row` takes from the file's `value`: its low byte, or for a later
// option the value kept within Min..Max.
uint8_t OptionFromFile(const OptionRow& row, int32_t value);
