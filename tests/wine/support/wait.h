#pragma once
// How every test under Wine waits: for a positive sign that something has
// happened, polled until it holds or the time runs out. A check that nothing
// happened first waits here for a later event that must come after it.
#include <windows.h>

#include <functional>

// Polls `done` every `intervalMs` until it holds; false after `timeoutMs`.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD intervalMs = 10) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(intervalMs);
    }
    return true;
}
