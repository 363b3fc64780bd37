#pragma once
// The window styles of mapper's own windows and controls, each written as its
// flags and checked against the value the program has always used.
#include <windows.h>

// The main window: a caption with system menu and minimise box, fixed size.
constexpr DWORD kMainWindowStyle =
    WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(kMainWindowStyle == 0x14CA0000, "main window style");

// The capture window: a dialog frame and no caption bar.
constexpr DWORD kCaptureWindowStyle = WS_CLIPSIBLINGS | WS_DLGFRAME;
static_assert(kCaptureWindowStyle == 0x04400000, "capture window style");

// The push buttons of both windows.
constexpr DWORD kPushButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
static_assert(kPushButtonStyle == 0x50010000, "push button style");

// The set list: an unsorted drop-down list.
constexpr DWORD kSetListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST |
                                CBS_AUTOHSCROLL | CBS_HASSTRINGS;
static_assert(kSetListStyle == 0x50210243, "set list style");

// A rapid-fire list of the grid: a drop-down list of the rates.
constexpr DWORD kRapidFireListStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
