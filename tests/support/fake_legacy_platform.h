#pragma once
// Tolvin.dat, the Windows directory and the local application data folder in memory, for the tests
// and the fuzz target of the legacy conversion: records every call in order (unless told not to);
// the directory, the file, its last-write time, the size of each read, a failing read, the deletion
// and the system's error text are scripted. A misuse of a handle stops the program.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mapper/model/legacy.h"

class FakeLegacyPlatform : public LegacyPlatform {
  public:
    struct Message {
        std::string text;
        bool hasCaption;
        std::string caption;
        bool information;
    };

    std::string windowsDirectory = "C:\\WINDOWS";
    std::string localAppData = "C:\\Users\\p\\AppData\\Local";
    bool fileExists = true;
    std::string onlyAt;  // when set, the file exists at this path alone
    std::string file;
    uint32_t readChunk = UINT32_MAX;  // most bytes one Read returns
    int failingRead = 0;              // the n-th Read fails (1-based); 0 for none
    uint32_t deleteError = 0;         // 0: the deletion succeeds
    bool hasErrorText = true;
    uint64_t writeTime = 0x01DA000000000001;  // the file's last-write time

    bool record = true;  // false: the calls go unrecorded (fuzzing)
    std::vector<std::string> calls;
    std::vector<Message> messages;
    bool deleted = false;
    bool open = false;

    uint32_t WindowsDirectory(char* buffer, uint32_t size) override {
        Record("dir");
        const uint32_t length = static_cast<uint32_t>(windowsDirectory.size());
        if (length < size) {
            std::memcpy(buffer, windowsDirectory.c_str(), length + 1);
            return length;
        }
        return length + 1;
    }
    uint32_t LocalAppDataDirectory(char* buffer, uint32_t size) override {
        Record("appdata");
        std::snprintf(buffer, size, "%s", localAppData.c_str());
        return static_cast<uint32_t>(localAppData.size());
    }
    LegacyFile OpenForReading(const char* path) override {
        Record(std::string("open ") + path);
        if (!fileExists || open || (!onlyAt.empty() && onlyAt != path)) {
            return nullptr;
        }
        open = true;
        position_ = 0;
        return this;
    }
    bool Read(LegacyFile handle, void* buffer, uint32_t size, uint32_t& got) override {
        Record("read " + std::to_string(size));
        Require(handle == this, "a handle it never gave");
        if (++reads_ == failingRead) {
            return false;
        }
        got = static_cast<uint32_t>(
            std::min<size_t>({size, readChunk, file.size() - std::min(position_, file.size())}));
        std::memcpy(buffer, file.data() + std::min(position_, file.size()), got);
        position_ += got;
        return true;
    }
    bool SizeAndTime(LegacyFile handle, uint64_t& size, uint64_t& time) override {
        Record("stamp");
        Require(handle == this, "a handle it never gave");
        size = file.size();
        time = writeTime;
        return true;
    }
    void Close(LegacyFile handle) override {
        Record("close");
        Require(handle == this, "a handle it never gave");
        open = false;
    }
    bool Delete(const char* path, uint32_t& error) override {
        Record(std::string("delete ") + path);
        Require(!open, "deleted while still open");
        error = deleteError;
        deleted = deleteError == 0;
        return deleted;
    }
    bool ErrorText(uint32_t code, char* buffer, uint32_t size) override {
        Record("errortext " + std::to_string(code));
        const std::string text = hasErrorText ? "Access is denied.\r\n" : "";
        std::snprintf(buffer, size, "%s", text.c_str());
        return hasErrorText;
    }
    void ShowMessage(const char* text, const char* caption, bool information) override {
        Record("message");
        messages.push_back({text, caption != nullptr, caption ? caption : "", information});
    }

  private:
    void Record(const std::string& call) {
        if (record) {
            calls.push_back(call);
        }
    }
    // A misuse of the interface is a fault in the converter: stop at once.
    static void Require(bool holds, const char* fault) {
        if (!holds) {
            std::fprintf(stderr, "FakeLegacyPlatform: %s\n", fault);
            std::abort();
        }
    }
    size_t position_ = 0;
    int reads_ = 0;
};
