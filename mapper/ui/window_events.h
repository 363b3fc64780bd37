#pragma once
// The window side of what the engine reports: each report is posted to the
// main window, which acts on it on the interface thread (main_window.cpp).
// Posting never waits for the interface thread.
#include <windows.h>

#include "mapper/engine/engine_events.h"

class WindowEngineEvents : public EngineEvents {
  public:
    // Set once on the interface thread, before the polling thread starts.
    void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }

    void KeyCaptured(int32_t code) override;
    // Only while the main window is shown.
    bool ActiveInputsChanged(uint32_t inputs) override;
    void ActiveSetChanged(int32_t set) override;
    void PauseChanged(bool paused) override;

  private:
    HWND mainWindow_ = nullptr;
};
