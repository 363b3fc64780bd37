#pragma once
// What the engine tells the window thread. Called from the polling thread:
// an implementation only passes the news on (Win32 posts a message) and never
// waits for the window thread, or an exit that waits for the polling thread
// while it waits here would leave keys held down. The window side acts on it.
#include <cstdint>

class EngineEvents {
  public:
    virtual ~EngineEvents() = default;
    // A capture ended by storing virtual-key code `code` at its target (the
    // target may lie outside the table by then; the capture ends all the same).
    virtual void KeyCaptured(int32_t code) = 0;
    // The inputs active now changed to `inputs` (InputBit(i) for input i).
    // False when the news was not taken (the main window is hidden): it is
    // told again at the next change.
    virtual bool ActiveInputsChanged(uint32_t inputs) = 0;
    // An input's action made set `set` active (ActiveSet holds it already).
    virtual void ActiveSetChanged(int32_t set) = 0;
    // An input's action paused (`paused`) or resumed key synthesis
    // (ControlEnabled holds it already).
    virtual void PauseChanged(bool paused) = 0;
};
