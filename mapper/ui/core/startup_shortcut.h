#pragma once
// The shortcut in the user's Startup folder that starts mapper with Windows:
// where it lies and what it holds, made from the paths of this run. Paths are
// UTF-16, as Windows gives them; no registry entry is involved.
#include <cstddef>

#include "mapper/model/settings.h"

// Room for any path the shortcut holds; the shell link itself may refuse
// long ones, which the caller reports.
constexpr size_t kShortcutPathSize = 1024;

struct StartupShortcut {
    char16_t file[kShortcutPathSize];               // <Startup folder>\Pamuro.lnk
    char16_t target[kShortcutPathSize];             // this mapper.exe; the icon is its own
    char16_t arguments[3];                          // "/T": start in the tray
    char16_t workingFolder[kStartupDirectorySize];  // where this run's Top.ini lives
};

// Fills `shortcut` for the program at `programPath`, started in
// `startupDirectory`, with the user's Startup folder `startupFolder`. False
// when a path is empty or does not fit.
bool MakeStartupShortcut(const char16_t* startupFolder, const char16_t* programPath,
                         const char16_t* startupDirectory, StartupShortcut& shortcut);

// Whether a shortcut holding `target`, `arguments` and `workingFolder` is the
// one `wanted` describes. Case does not count, as in Windows' file names; only
// ASCII letters are folded, so at worst an equal shortcut is written again.
bool ShortcutMatches(const StartupShortcut& wanted, const char16_t* target,
                     const char16_t* arguments, const char16_t* workingFolder);
