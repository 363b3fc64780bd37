// The programs as the cross build leaves them, found from this test's own
// folder through the relative paths that the build passes in.
#include <windows.h>

#include "tests/wine/release/program_under_test.h"
#include "tests/wine/support/child_process.h"

std::wstring ProgramUnderTest(const std::wstring& exeName) {
    return FromOwnFolder(exeName == L"mapper.exe" ? MAPPER_EXE_RELATIVE : DISABLER_EXE_RELATIVE);
}
