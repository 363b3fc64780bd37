#pragma once
// The main program's own texts, as Shift-JIS bytes. Each is written once, in
// readable form, in ui_texts.txt; the build turns them into the constants of
// ui_texts_sjis.h. The Win32 code shows them through the wide functions after
// converting them from code page 932.
#include "mapper/ui/core/ui_texts_sjis.h"

// Column headings of the grid and the left edge of each.
struct GridHeading {
    const char* text;
    int left;
};
inline constexpr GridHeading kGridHeadings[6] = {
    {kHeadingJoystick, 8}, {kHeadingKey1, 105},       {kHeadingChangeKey1, 220},
    {kHeadingKey2, 280},   {kHeadingChangeKey2, 395}, {kHeadingRapidFire, 455},
};

// The rates the grid's rapid-fire lists offer, presses a second; 0 is off.
inline constexpr int kRapidFireChoices[] = {0, 5, 8, 10, 12, 15, 20, 30};
