#include "window_events.h"

#include "window_messages.h"

void WindowEngineEvents::KeyCaptured(int32_t code) {
    PostMessageW(mainWindow_, kKeyCapturedMessage, static_cast<WPARAM>(code), 0);
}

bool WindowEngineEvents::ActiveInputsChanged(uint32_t inputs) {
    return IsWindowVisible(mainWindow_) &&
           PostMessageW(mainWindow_, kActiveInputsMessage, inputs, 0) != FALSE;
}

void WindowEngineEvents::ActiveSetChanged(int32_t set) {
    PostMessageW(mainWindow_, kActiveSetChangedMessage, static_cast<WPARAM>(set), 0);
}

void WindowEngineEvents::PauseChanged(bool paused) {
    PostMessageW(mainWindow_, kPauseChangedMessage, paused ? 1 : 0, 0);
}
