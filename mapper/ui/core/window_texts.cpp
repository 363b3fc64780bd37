#include "mapper/ui/core/window_texts.h"

#include <cstring>

#include "common/shift_jis.h"
#include "mapper/ui/core/ui_texts.h"

namespace {

// Writes prefix, name and suffix into `out`; the name gives way to the fixed
// parts when the whole does not fit.
void Surround(char* out, int32_t size, const char* prefix, const char* name, const char* suffix) {
    const int32_t fixed = static_cast<int32_t>(std::strlen(prefix) + std::strlen(suffix));
    std::strcpy(out, prefix);
    char* namePart = out + std::strlen(prefix);
    CopyShiftJisCut(namePart, size - fixed, name);
    std::strcat(out, suffix);
}

}  // namespace

bool HasActiveSet(const KeySetTable& table) {
    return IsSetIndex(table, table.ActiveSet.load());
}

void FormatWindowTitle(const KeySetTable& table, char* out) {
    if (!HasActiveSet(table)) {
        std::strcpy(out, kPlainTitle);
        return;
    }
    Surround(out, kTitleSize, kTitlePrefix, table.Names[table.ActiveSet.load()], kTitleSuffix);
}

void FormatTrayTip(const KeySetTable& table, char* out) {
    if (!HasActiveSet(table)) {
        std::strcpy(out, kPlainTitle);
        return;
    }
    Surround(out, kTrayTipSize, kTitlePrefix, table.Names[table.ActiveSet.load()], kTitleSuffix);
}

void FormatActionText(const KeySetTable& table, int32_t action, char* out) {
    switch (KindOfAction(action)) {
        case ActionNext:
            std::strcpy(out, kActionNextText);
            return;
        case ActionPrev:
            std::strcpy(out, kActionPrevText);
            return;
        case ActionPause:
            std::strcpy(out, kActionPauseText);
            return;
        case ActionHold: {
            const int32_t set = HoldTarget(action);
            const bool inTable = set >= 0 && set <= table.SetKeyCount.load() && set < kMaxSets;
            Surround(out, kActionTextSize, kActionHoldPrefix, inTable ? table.Names[set] : "",
                     kActionHoldSuffix);
            return;
        }
        case ActionNone:
            break;
    }
    out[0] = '\0';
}

int32_t ActionOfChoice(int32_t index) {
    constexpr int32_t kFixed[kFirstHoldChoice] = {ActionNext, ActionPrev, ActionPause};
    if (index < 0) {
        return ActionNone;
    }
    return index < kFirstHoldChoice ? kFixed[index] : HoldAction(index - kFirstHoldChoice);
}

void FormatDeletePrompt(const KeySetTable& table, char* out) {
    const char* name = HasActiveSet(table) ? table.Names[table.ActiveSet.load()] : "";
    Surround(out, kPromptSize, kDeletePromptPrefix, name, kDeletePromptSuffix);
}
