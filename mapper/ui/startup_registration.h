#pragma once
// mapper starts with Windows through a shortcut in the user's Startup folder
// (mapper/ui/core/startup_shortcut.h says what it holds). Interface thread.

// Whether the Startup folder holds a Pamuro.lnk that starts this mapper.exe.
bool StartsWithWindows(const char16_t* startupDirectory);
// Writes the shortcut, working folder `startupDirectory`; false on failure.
bool AddStartupShortcut(const char16_t* startupDirectory);
// Deletes the shortcut; true when it is gone.
bool RemoveStartupShortcut(const char16_t* startupDirectory);
