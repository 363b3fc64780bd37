#pragma once
// The stand-alone backend of the legacy converter, for the native tests: the
// "Windows directory" is the folder the test names, a backslash in a path
// separates folders, and message boxes are printed to stderr in UTF-8.
// mapper.exe runs on the Win32 backend (mapper/platform/win32).
#include <string>

#include "common/standalone/posix_calls.h"
#include "mapper/model/legacy.h"

class StandaloneLegacyPlatformBackend : public LegacyPlatform {
  public:
    explicit StandaloneLegacyPlatformBackend(std::string windowsDirectory);

    uint32_t WindowsDirectory(char* buffer, uint32_t size) override;
    uint32_t LocalAppDataDirectory(char* buffer, uint32_t size) override;
    LegacyFile OpenForReading(const char* path) override;
    bool Read(LegacyFile file, void* buffer, uint32_t size, uint32_t& got) override;
    bool SizeAndTime(LegacyFile file, uint64_t& size, uint64_t& time) override;
    void Close(LegacyFile file) override;
    bool Delete(const char* path, uint32_t& error) override;
    bool ErrorText(uint32_t code, char* buffer, uint32_t size) override;
    void ShowMessage(const char* text, const char* caption, bool information) override;

  private:
    void PrintSjis(const char* text);

    std::string windowsDirectory_;
    TextConverter toUtf8_{"UTF-8", "CP932"};
};
