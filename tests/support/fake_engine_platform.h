#pragma once
// The polling engine's platform and events for the tests, fuzz targets and
// benchmarks. The platform records every key event in order as text (and
// each with its scan code in ScanLog), and answers joystick and keyboard
// queries from scripted values. A joystick reads only while it is present.
// Key states read like GetAsyncKeyState: a query clears the "pressed since
// last query" state. Quiet (for benchmarks) records no key and no rest, so
// that the figures are the engine's own work.
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "mapper/engine/engine_events.h"
#include "mapper/engine/engine_platform.h"

using Events = std::vector<std::string>;

inline std::string KeyEvent(const char* what, int vk) {
    char text[16];
    std::snprintf(text, sizeof text, "%s %02X", what, vk);
    return text;
}
inline std::string Down(int vk) {
    return KeyEvent("down", vk);
}
inline std::string Up(int vk) {
    return KeyEvent("up", vk);
}

class FakeEnginePlatform : public EnginePlatform {
  public:
    bool Quiet = false;
    Events Log, ScanLog;
    bool JoystickPresent[2] = {true, false};
    JoystickRange Range[2] = {{0, 65535, 0, 65535}, {0, 65535, 0, 65535}};
    bool ReadSucceeds = true;
    bool ReadsFailWith[2] = {};  // the capabilities answer, reads fail
    bool RefusesHat[2] = {};     // read without the hat when asked for it
    bool DeviceArrived = false;  // taken by the next TakeDeviceArrival
    bool XInputConnected[4] = {};
    XInputPad XPad = {};
    // The pad calls in order: "x2" XInput user 2, "c0" capabilities of
    // joystick 0, "r0" a read of it; and what the last read asked of the hat.
    Events PadCalls;
    bool PadCallsInLog = false;  // each pad call also in Log, among the key events
    HatRequest Hat = HatNotAsked;
    uint8_t Axes = AskNoAxis;  // what the last read asked of the right stick
    KeyScan Layout[256] = {};  // what the keyboard layout answers, by code
    JoystickReading Reading = {32767, 32767, 0, 0};
    std::vector<int> RangeQueries;  // the joystick ids asked, in order
    int Reads = 0, KeyQueries = 0;
    int XInputReads = 0;  // counted in Quiet too: the benchmarks report it
    uint8_t KeyStates[257] = {};
    std::vector<uint32_t> Rests;
    bool RestsFine = false;
    uint32_t Now = 0, MsPerCall = 0;
    std::atomic<int> KeysSent{0};
    std::function<void()> OnRest;  // stands in for the other thread while one waits

    bool ReadJoystickRange(uint8_t id, JoystickRange& range) override {
        RangeQueries.push_back(id);
        NotePadCall("c", id);
        if (id >= 2 || !JoystickPresent[id]) {
            return false;
        }
        range = Range[id];
        return true;
    }
    JoystickAnswer ReadJoystick(uint8_t id, HatRequest hat, uint8_t axes,
                                JoystickReading& reading) override {
        ++Reads;
        NotePadCall("r", id);
        Hat = hat;
        Axes = axes;
        reading = Reading;
        if (id >= 2 || !JoystickPresent[id] || !ReadSucceeds || ReadsFailWith[id]) {
            return JoystickSilent;
        }
        if (hat != HatNotAsked && RefusesHat[id]) {
            reading.pov = kPovCentred;
            return JoystickReadWithoutHat;
        }
        return JoystickRead;
    }
    bool ReadXInputPad(uint8_t user, XInputPad& pad) override {
        ++XInputReads;
        NotePadCall("x", user);
        pad = XPad;
        return user < 4 && XInputConnected[user];
    }
    bool TakeDeviceArrival() override {
        const bool arrived = DeviceArrived;
        DeviceArrived = false;
        return arrived;
    }
    KeyScan ScanCodeOf(uint8_t vk) override { return Layout[vk]; }
    void SendKey(uint8_t vk, KeyScan scan, bool keyUp) override {
        // One thread at a time sends; a plain add keeps the benchmarks' cost low.
        KeysSent.store(KeysSent.load(std::memory_order_relaxed) + 1);
        if (Quiet) {
            return;
        }
        Log.push_back(keyUp ? Up(vk) : Down(vk));
        char text[16];
        std::snprintf(text, sizeof text, " scan %02X%s", scan.Scan, scan.Extended ? " ext" : "");
        ScanLog.push_back(Log.back() + text);
    }
    uint8_t AsyncKeyState(int vk) override {
        ++KeyQueries;
        const uint8_t state = KeyStates[vk];
        KeyStates[vk] = 0;
        return state;
    }
    void Rest(uint32_t ms) override {
        if (!Quiet) {
            Rests.push_back(ms);
        }
        if (OnRest) {
            OnRest();
        }
    }
    void KeepRestsFine(bool fine) override { RestsFine = fine; }
    uint32_t Milliseconds() override {
        const uint32_t now = Now;
        Now += MsPerCall;
        return now;
    }

  private:
    void NotePadCall(const char* what, uint8_t id) {
        if (!Quiet) {
            PadCalls.push_back(what + std::to_string(id));
            if (PadCallsInLog) {
                Log.push_back(PadCalls.back());
            }
        }
    }
};

// What the engine reported: each captured key into `log` as "captured XX"
// (the platform's Log, so it stands in order among the key events), and so
// the set changes and pauses; the active inputs in Inputs while the window
// is shown.
class FakeEngineEvents : public EngineEvents {
  public:
    explicit FakeEngineEvents(Events& log) : log_(log) {}
    bool WindowShown = true;
    bool Quiet = false;            // for benchmarks: nothing kept
    std::vector<uint32_t> Inputs;  // what the shown window was told

    void KeyCaptured(int32_t code) override { log_.push_back(Captured(code)); }
    bool ActiveInputsChanged(uint32_t inputs) override {
        if (WindowShown && !Quiet) {
            Inputs.push_back(inputs);
        }
        return WindowShown;
    }
    // Set changes and pauses from the pad, in order among the key events.
    void ActiveSetChanged(int32_t set) override { log_.push_back(SetChanged(set)); }
    void PauseChanged(bool paused) override { log_.push_back(paused ? "paused" : "resumed"); }
    static std::string Captured(int code) { return KeyEvent("captured", code); }
    static std::string SetChanged(int set) { return "set " + std::to_string(set); }

  private:
    Events& log_;
};
