#pragma once
// The table of key sets: up to 80 named sets, each binding each of the
// pad's inputs (mapper/model/inputs.h) to two keyboard keys, and the choice of the active set.
//
// Two threads use it without a lock. The interface thread runs the set
// operations, loading and saving; the polling thread reads ActiveSet and
// single key codes and, while capturing, writes one key code. Key codes and
// ActiveSet are therefore atomics (each read and written whole), and so is
// SetKeyCount, which the polling thread reads to press nothing while the table
// is empty. Names belong to the interface thread alone.
#include <atomic>
#include <cstdint>

#include "mapper/model/inputs.h"
#include "mapper/model/model_texts_sjis.h"  // kUntitledName: the name of a new set

constexpr int kMaxSets = 80;
constexpr int kKeysPerInput = 2;
constexpr int kNameSize = 256;  // 255 bytes of Shift-JIS text and a zero byte
// Rapid fire ("連射"): presses a second, 0 for off.
constexpr uint8_t kMaxRapidFireRate = 30;

// What an input bound to an action does instead of sending its keys. One
// value, so that the polling thread reads it whole: the kind in the low byte,
// the target set of a HOLD above it.
enum ActionKind : int32_t {
    ActionNone = 0,
    ActionNext = 1,   // at the press: the next set (after the last, set 0)
    ActionPrev = 2,   // at the press: the previous set (before set 0, the last)
    ActionPause = 3,  // at the press: pause or resume, as the tray menu does
    ActionHold = 4,   // while held: the target set; at the release the one before
};

constexpr int32_t HoldAction(int32_t set) {
    return ActionHold | (set << 8);
}
constexpr ActionKind KindOfAction(int32_t action) {
    return static_cast<ActionKind>(action & 0xFF);
}
constexpr int32_t HoldTarget(int32_t action) {
    return action >> 8;
}

struct KeySetTable {
    // Virtual-key codes by [set][input][key index]; 0 means no key.
    std::atomic<int32_t> Keys[kMaxSets][kInputCount][kKeysPerInput];
    // Rapid fire by [set][input]: 0 (off) or presses a second, 1..30. It goes
    // with the keys: a new set and a deleted one treat it as they treat them.
    std::atomic<uint8_t> RapidFire[kMaxSets][kInputCount];
    // The action of each input by [set][input] (ActionKind, HoldAction);
    // an input with one sends none of its keys, which stay for later.
    std::atomic<int32_t> Actions[kMaxSets][kInputCount];
    char Names[kMaxSets][kNameSize];
    // The highest set index in use: the number of sets minus one, -1 when empty.
    std::atomic<int32_t> SetKeyCount;
    std::atomic<int32_t> ActiveSet;
};

// Whether `index` names a set of the table: 0..SetKeyCount and below kMaxSets,
// whatever SetKeyCount holds.
bool IsSetIndex(const KeySetTable& table, int32_t index);
// The number of sets, 0..kMaxSets: the sets are 0..SetCount-1.
int32_t SetCount(const KeySetTable& table);
// A rapid-fire rate from anywhere (the file, the grid): 0 and below are off,
// above 30 is 30.
uint8_t RapidFireRateOf(int32_t value);

// Sets every field to zero, as at process start.
void ClearKeySetTable(KeySetTable& table);

// Makes set `index` active; an index outside 0..SetKeyCount changes nothing.
void SelectSet(KeySetTable& table, int32_t index);
// Appends a set named "無題" and makes it active. Its key codes are whatever the
// row last held. A full table (80 sets) is left as it is.
void NewSet(KeySetTable& table);
// Removes the active set, moving the later sets down one row. The vacated row
// keeps a copy of the set now below it. HOLD targets above the removed set
// move down with their sets; those that named it are cleared. An empty table
// is left as it is.
void DeleteSet(KeySetTable& table);
// Gives the active set the name `text`, cut to 255 bytes.
void RenameSet(KeySetTable& table, const char* text);

// The key code of the active set for `input` and `keyIndex`; 0 when the table
// is empty or the arguments lie outside it.
int32_t ActiveKey(const KeySetTable& table, int input, int keyIndex);
// The rapid-fire rate of the active set for `input`; 0 when the table is
// empty or the input lies outside it.
uint8_t ActiveRapidFire(const KeySetTable& table, int input);
// Sets the active set's rapid-fire rate for `input`, cut to 0..30; an empty
// table or an input outside it changes nothing.
void SetActiveRapidFire(KeySetTable& table, int input, int32_t rate);
// The action of the active set for `input`; ActionNone when the table is
// empty or the input lies outside it.
int32_t ActiveAction(const KeySetTable& table, int input);
