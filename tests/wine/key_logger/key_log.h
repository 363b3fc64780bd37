#pragma once
// The record of the key logger (key_logger.exe, built from key_logger.cpp):
// every WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN and WM_SYSKEYUP its window
// receives, with the virtual-key code, the scan code (lParam bits 16-23),
// the extended flag (bit 24) and the event's time, in arrival order. It
// lives in the named shared memory section PAMURO_KEY_LOG_NAME so a test
// driver in another process can read it.
//
// Use from a driver: StartKeyLogger(log, path) (path of key_logger.exe; the
// target `pamuro_key_logger` builds it into
// ${CMAKE_BINARY_DIR}/tests/wine/key_logger/), then WaitForKeyLog(...) and
// read Entries[0 .. Count-1]; ResetKeyLog() between cases; StopKeyLogger() at
// the end. The logger's window makes itself the foreground window, so events
// injected with keybd_event reach it. One logger at a time per Wine desktop.
#include <windows.h>

#include <string>

#include "tests/wine/support/child_process.h"
#include "tests/wine/support/wait.h"

#define PAMURO_KEY_LOG_NAME "Local\\PamuroTestKeyLog"

struct KeyLogEntry {
    LONG Message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    LONG Vk;
    LONG Scan;
    LONG Extended;  // 1 when lParam bit 24 is set
    // When the key event was made (GetMessageTime, milliseconds): the time the
    // program that sent it gave it, whenever the logger got to read it.
    LONG Time = 0;
};

constexpr LONG kKeyLogCapacity = 4096;

struct KeyLog {
    volatile LONG Ready;       // 1 once the logger's window is foreground
    volatile LONGLONG Window;  // the logger's window handle
    volatile LONG Count;       // entries written so far (the logger only adds)
    KeyLogEntry Entries[kKeyLogCapacity];
};

// Opens (or creates, zero-filled) the shared log; null on failure. The
// mapping handle stays open for the life of the process.
inline KeyLog* OpenKeyLog() {
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(KeyLog), PAMURO_KEY_LOG_NAME);
    if (section == nullptr) {
        return nullptr;
    }
    return static_cast<KeyLog*>(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(KeyLog)));
}

// Forgets the entries so far. Only while no key events are on their way.
inline void ResetKeyLog(KeyLog* log) {
    InterlockedExchange(&log->Count, 0);
}

// Waits until the log holds at least `count` entries; false after `timeoutMs`.
inline bool WaitForKeyLog(const KeyLog* log, LONG count, DWORD timeoutMs) {
    return WaitUntil([log, count] { return log->Count >= count; }, timeoutMs, 5);
}

// Starts key_logger.exe at `path` as `logger` and waits until its window is
// foreground. False, with the program ended, when it did not come up in 10 s.
inline bool StartKeyLogger(KeyLog* log, ChildProcess& logger, const std::wstring& path) {
    InterlockedExchange(&log->Ready, 0);
    ResetKeyLog(log);
    if (!logger.Start(path)) {
        return false;
    }
    if (!WaitUntil([log] { return log->Ready != 0; }, 10000)) {
        logger.End();
        return false;
    }
    return true;
}

// Closes the logger's window and waits for the process to end (a logger not
// started is left alone).
inline void StopKeyLogger(KeyLog* log, ChildProcess& logger) {
    if (logger.Handle() != nullptr) {
        PostMessageA(reinterpret_cast<HWND>(static_cast<LONG_PTR>(log->Window)), WM_CLOSE, 0, 0);
        logger.WaitExit(5000);
    }
    logger.End();
}
