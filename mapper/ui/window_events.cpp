#include "window_events.h"

#include "window_messages.h"

void WindowEngineEvents::KeyCaptured(int32_t code) {
    PostMessageW(mainWindow_, kKeyCapturedMessage, static_cast<WPARAM>(code), 0);
}

bool WindowEngineEvents::ActiveInputsChanged(uint32_t inputs) {
    return IsWindowVisible(mainWindow_) &&
           PostMessageW(mainWindow_, kActiveInputsMessage, inputs, 0) != FALSE;
}
