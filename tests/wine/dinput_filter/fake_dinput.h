#pragma once
// What the test system DirectInput (fake_dinput.cpp) reports, shared with
// the test game that reads it: a keyboard with two keys held and a game pad.
#include <windows.h>

// The pad's instance GUID: a game that kept it from an earlier run creates
// the pad by it without enumerating.
constexpr GUID kFakePadGuid = {0x70616d75, 0x726f, 0x7061, {0x64, 0, 0, 0, 0, 0, 0, 1}};
// The keys the keyboard holds, as DirectInput scan codes (DIK_A, DIK_SPACE).
constexpr BYTE kFakeHeldKeys[] = {0x1E, 0x39};
