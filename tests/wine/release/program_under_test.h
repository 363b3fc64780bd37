#pragma once
// Where the release tests find the program they look at: the build tree's
// mapper.exe and disabler.exe for the ctest run, the folder unpacked from a
// release zip for the smoke run. Each test program defines it once.
#include <string>

// Full Windows path of `exeName` ("mapper.exe" or "disabler.exe").
std::wstring ProgramUnderTest(const std::wstring& exeName);
