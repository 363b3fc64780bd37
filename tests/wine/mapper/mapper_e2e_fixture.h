#pragma once
// What the end-to-end tests of mapper.exe share: the texts they expect, the
// Top.ini files they prepare and expect, and the fixture that gives each test
// a fresh working folder and the test joystick.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/wine/joystick_stub/joystick_stub.h"
#include "tests/wine/mapper/mapper_driver.h"

inline constexpr DWORD kStartMs = 20000;
inline constexpr DWORD kActMs = 5000;
inline const std::wstring kUntitled = L"無題";

inline std::wstring Title(const std::wstring& name) {
    return L"Pamuro - 「" + name + L"」";
}

// A popup menu item as one line: command id and text with its marks, or a
// separator; so a whole menu compares at once and prints readably.
inline std::wstring Describe(const MenuEntry& entry) {
    if (entry.separator) {
        return L"----";
    }
    std::wstring line = std::to_wstring(entry.id) + L" " + entry.text;
    if (entry.checked) {
        line += L" [checked]";
    }
    if (entry.grayed) {
        line += L" [grey]";
    }
    if (entry.isDefault) {
        line += L" [default]";
    }
    return line;
}

inline std::vector<std::wstring> DescribeMenu(HWND popup) {
    std::vector<std::wstring> lines;
    for (const MenuEntry& entry : ReadPopupMenu(popup)) {
        lines.push_back(Describe(entry));
    }
    return lines;
}

// The tray popup as it should read: the set entries given, then the fixed
// items with the pause pair in the given state.
inline std::vector<std::wstring> TrayMenu(std::vector<std::wstring> setEntries, bool paused) {
    setEntries.insert(setEntries.end(),
                      {L"----", L"40003 ウィンドウを表示(&D) [default]",
                       paused ? L"40005 制御再開(&S)" : L"40005 制御再開(&S) [grey]",
                       paused ? L"40002 一時停止(&S) [grey]" : L"40002 一時停止(&S)", L"----",
                       L"40001 終了(&X)"});
    return setEntries;
}

inline bool WaitClosed(HWND window) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000);
}

// Top.ini as SaveSettings writes it from nothing for `names` with the given
// keys: every entry in the fixed order, zeros included.
struct SavedSet {
    std::wstring name;
    int keys[12][2];
};

inline std::string ExpectedTopIni(const std::vector<SavedSet>& sets, int mode, int sleep) {
    char line[128];
    std::string text = "[PAMURO]\r\n";
    text += "SETKEYCOUNT=" + std::to_string(static_cast<int>(sets.size()) - 1) + "\r\n";
    text += "[KEYSETNAME]\r\n";
    for (size_t set = 0; set < sets.size(); ++set) {
        wsprintfA(line, "KEYSETNAME%2d=", static_cast<int>(set));
        text += line + Sjis(sets[set].name) + "\r\n";
    }
    text += "[KEYSET]\r\n";
    for (size_t set = 0; set < sets.size(); ++set) {
        for (int key = 0; key < 2; ++key) {
            for (int slot = 0; slot < 12; ++slot) {
                wsprintfA(line, "KEYSET%2d-%2d-%2d=%d\r\n", static_cast<int>(set), slot, key,
                          sets[set].keys[slot][key]);
                text += line;
            }
        }
    }
    text += "[SETTING]\r\nSetKeyDownMode=" + std::to_string(mode) + "\r\n";
    text += "SetSleep=" + std::to_string(sleep) + "\r\n";
    return text;
}

// A Top.ini prepared by hand: names, a few bindings, the two options.
inline std::string PreparedTopIni(const std::vector<std::wstring>& names,
                                  const std::vector<std::string>& keyLines, int mode, int sleep) {
    std::string text = "[PAMURO]\r\nSETKEYCOUNT=" + std::to_string(names.size() - 1) + "\r\n";
    text += "[KEYSETNAME]\r\n";
    char line[64];
    for (size_t set = 0; set < names.size(); ++set) {
        wsprintfA(line, "KEYSETNAME%2d=", static_cast<int>(set));
        text += line + Sjis(names[set]) + "\r\n";
    }
    text += "[KEYSET]\r\n";
    for (const std::string& keyLine : keyLines) {
        text += keyLine + "\r\n";
    }
    text += "[SETTING]\r\nSetKeyDownMode=" + std::to_string(mode) +
            "\r\nSetSleep=" + std::to_string(sleep) + "\r\n";
    return text;
}

class MapperE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        stick_ = OpenTestJoystick();
        ASSERT_NE(stick_, nullptr);
        stick_->Present = 0;
        stick_->XInputConnected = 0;
        folder_ = MakeWorkFolder();
    }
    void PlugJoystick() { PlugCentredJoystick(stick_); }
    std::wstring TopIni() const { return folder_ + L"\\Top.ini"; }
    // Starts mapper and waits until start-up has titled the window.
    void StartWithJoystick(MapperRun& run, const std::wstring& tail) {
        ASSERT_TRUE(run.Start(folder_, tail));
        ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
        ASSERT_EQ(run.WaitSetTitle(kStartMs).rfind(L"Pamuro - ", 0), 0u);
    }
    // Starts mapper without the joystick and waits for its warning.
    void StartToWarning(MapperRun& run, HWND* warning) {
        ASSERT_TRUE(run.Start(folder_, L""));
        ASSERT_NE(run.WaitMainWindow(kStartMs), nullptr);
        *warning = run.WaitDialog(nullptr, kStartMs);
        ASSERT_NE(*warning, nullptr) << "no joystick warning";
    }
    void CloseAndWait(MapperRun& run) {
        PostMessageW(run.Main(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.WaitExit(kStartMs)) << "mapper did not end after WM_CLOSE";
        EXPECT_EQ(run.ExitCode(), 0u);
    }
    // Clicks change button `button` and waits for the capture window.
    void OpenCapture(MapperRun& run, int button, HWND* capture) {
        // The "pressed since the last query" state is the whole desktop's:
        // clear it so that only a key pressed from now on is captured.
        for (int code = 1; code < 256; ++code) {
            GetAsyncKeyState(code);
        }
        ASSERT_TRUE(ClickControl(run.Control(button)));
        ASSERT_TRUE(WaitUntil(
            [&] { return (*capture = run.FindWindowOf(L"PamuroKey", L"キー登録")) != nullptr; },
            kActMs));
        EXPECT_FALSE(IsWindowEnabled(run.Main()));
    }
    // Captures `key` (an xdotool key name) for change button `button` with a
    // real key press, and waits until the capture has taken it.
    void CaptureKey(MapperRun& run, int button, const wchar_t* key) {
        HWND capture = nullptr;
        ASSERT_NO_FATAL_FAILURE(OpenCapture(run, button, &capture));
        // Xvfb runs no window manager: give the capture window the X input
        // focus and press the key there.
        ASSERT_TRUE(RunUnixProgram(
            std::wstring(
                L"/bin/sh -c \"xdotool search --name '^キー登録$' windowfocus --sync key ") +
            key + L"\""));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(capture); }, kActMs))
            << "the key press did not end the capture";
    }
    // Waits until the polling thread has read the joystick `polls` more
    // times: a positive sign that it has seen the stick as it is now.
    bool WaitForPolls(LONG polls) {
        const LONG start = JoystickReads();
        return WaitUntil([&] { return JoystickReads() - start >= polls; }, kActMs);
    }
    LONG JoystickReads() const { return stick_->PosCalls + stick_->PosExCalls; }
    int ComboSelection(MapperRun& run) {
        return static_cast<int>(SendMessageW(run.Control(IDC_MAIN_SET_LIST), CB_GETCURSEL, 0, 0));
    }

    TestJoystick* stick_ = nullptr;
    std::wstring folder_;
};
