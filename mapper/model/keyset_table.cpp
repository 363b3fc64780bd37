#include "mapper/model/keyset_table.h"

#include <cstring>

namespace {

void CopyRow(KeySetTable& table, int to, int from) {
    for (int input = 0; input < kInputCount; ++input) {
        for (int key = 0; key < kKeysPerInput; ++key) {
            table.Keys[to][input][key].store(table.Keys[from][input][key].load());
        }
        table.RapidFire[to][input].store(table.RapidFire[from][input].load());
        table.Actions[to][input].store(table.Actions[from][input].load());
    }
    std::memcpy(table.Names[to], table.Names[from], kNameSize);
}

// Each HOLD still names the same set after `deleted` is gone from rows
// 0..`lastRow`; one that named it does nothing any more.
void RenumberHoldTargets(KeySetTable& table, int32_t deleted, int32_t lastRow) {
    for (int32_t set = 0; set <= lastRow; ++set) {
        for (auto& entry : table.Actions[set]) {
            const int32_t action = entry.load();
            if (KindOfAction(action) != ActionHold || HoldTarget(action) < deleted) {
                continue;
            }
            const int32_t target = HoldTarget(action);
            entry.store(target == deleted ? ActionNone : HoldAction(target - 1));
        }
    }
}

}  // namespace

bool IsSetIndex(const KeySetTable& table, int32_t index) {
    return index >= 0 && index <= table.SetKeyCount.load() && index < kMaxSets;
}

int32_t SetCount(const KeySetTable& table) {
    const int32_t highest = table.SetKeyCount.load();
    return highest < 0 ? 0 : highest >= kMaxSets ? kMaxSets : highest + 1;
}

uint8_t RapidFireRateOf(int32_t value) {
    if (value <= 0) {
        return 0;
    }
    return static_cast<uint8_t>(value > kMaxRapidFireRate ? kMaxRapidFireRate : value);
}

void ClearKeySetTable(KeySetTable& table) {
    for (auto& set : table.Keys) {
        for (auto& input : set) {
            for (auto& key : input) {
                key.store(0);
            }
        }
    }
    for (auto& set : table.RapidFire) {
        for (auto& rate : set) {
            rate.store(0);
        }
    }
    for (auto& set : table.Actions) {
        for (auto& action : set) {
            action.store(ActionNone);
        }
    }
    std::memset(table.Names, 0, sizeof table.Names);
    table.SetKeyCount.store(0);
    table.ActiveSet.store(0);
}

void SelectSet(KeySetTable& table, int32_t index) {
    if (IsSetIndex(table, index)) {
        table.ActiveSet.store(index);
    }
}

void NewSet(KeySetTable& table) {
    if (table.SetKeyCount >= kMaxSets - 1) {
        return;
    }
    const int32_t added = table.SetKeyCount.load() + 1;
    std::memcpy(table.Names[added], kUntitledName, sizeof kUntitledName);
    table.SetKeyCount.store(added);
    table.ActiveSet.store(added);
}

void DeleteSet(KeySetTable& table) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active)) {
        return;
    }
    for (int32_t i = active; i < table.SetKeyCount; ++i) {
        CopyRow(table, i, i + 1);
    }
    // The vacated row too: a new set there starts as a copy of it.
    RenumberHoldTargets(table, active, table.SetKeyCount.load());
    const int32_t highest = table.SetKeyCount.load() - 1;
    table.SetKeyCount.store(highest);
    // Deleting the highest set would leave ActiveSet one past the end: the new
    // highest set (or 0 for an empty table) takes its place.
    if (active > highest) {
        table.ActiveSet.store(highest < 0 ? 0 : highest);
    }
}

void RenameSet(KeySetTable& table, const char* text) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active)) {
        return;
    }
    char* name = table.Names[active];
    std::strncpy(name, text, kNameSize - 1);
    name[kNameSize - 1] = '\0';
}

int32_t ActiveKey(const KeySetTable& table, int input, int keyIndex) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active) || input < 0 || input >= kInputCount || keyIndex < 0 ||
        keyIndex >= kKeysPerInput) {
        return 0;
    }
    return table.Keys[active][input][keyIndex].load();
}

uint8_t ActiveRapidFire(const KeySetTable& table, int input) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active) || input < 0 || input >= kInputCount) {
        return 0;
    }
    return table.RapidFire[active][input].load();
}

void SetActiveRapidFire(KeySetTable& table, int input, int32_t rate) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active) || input < 0 || input >= kInputCount) {
        return;
    }
    table.RapidFire[active][input].store(RapidFireRateOf(rate));
}

int32_t ActiveAction(const KeySetTable& table, int input) {
    const int32_t active = table.ActiveSet.load();
    if (!IsSetIndex(table, active) || input < 0 || input >= kInputCount) {
        return ActionNone;
    }
    return table.Actions[active][input].load();
}
