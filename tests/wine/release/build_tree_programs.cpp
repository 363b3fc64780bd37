// The programs as the cross build leaves them, found from this test's own
// folder through the relative paths that the build passes in.
#include <windows.h>

#include "tests/wine/release/program_under_test.h"

namespace {

std::wstring OwnFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.resize(path.find_last_of(L'\\') + 1);
    return path;
}

std::wstring Relative(const char* path) {
    std::wstring wide;
    for (const char* c = path; *c != '\0'; ++c) {
        wide.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    }
    return wide;
}

}  // namespace

std::wstring ProgramUnderTest(const std::wstring& exeName) {
    return OwnFolder() +
           Relative(exeName == L"mapper.exe" ? MAPPER_EXE_RELATIVE : DISABLER_EXE_RELATIVE);
}
