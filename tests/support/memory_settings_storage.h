#pragma once
// One Top.ini in memory, for the tests, fuzz target and benchmarks of the
// settings code, and any other files by path (`others`, UTF-8 paths).
// Records every call (unless told not to); reads, replacements and the
// folder check can be scripted to fail. Its code page knows one character beyond ASCII: あ
// (U+3042, 82 A0).
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "mapper/model/settings_storage.h"

// A UTF-16 text in UTF-8, for readable call records and failure messages.
inline std::string Utf8(const char16_t* text) {
    std::string out;
    for (size_t i = 0; text[i] != u'\0'; ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

class MemorySettingsStorage : public SettingsStorage {
  public:
    // A folder name outside code page 932: 표 (Korean).
    std::u16string directory = u"C:\\Games\\\ud45c";
    bool exists = false;
    std::string file;
    FileReadResult failRead = FileReadResult::Read;  // Read: no scripted failure
    bool failReplace = false;
    // A failed replacement that had already moved the old file away: it
    // keeps its temporary file, named `kept`.
    bool oldGoneOnFailure = false;
    std::u16string kept = u"C:\\Games\\\ud45c\\Top.~0";
    bool folderTakesFiles = true;
    std::u16string localAppData = u"C:\\Users\\p\\AppData\\Local";
    std::map<std::string, std::string> others;
    std::map<std::string, uint64_t> times;  // last-write times by path; no entry: no file
    bool record = true;
    std::vector<std::string> calls;
    int replacements = 0;  // successful ones

    FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                 size_t* size) override {
        Record("read ", path);
        const auto other = others.find(Utf8(path));
        if (other != others.end()) {
            return Copy(other->second, buffer, capacity, size);
        }
        if (failRead != FileReadResult::Read) {
            return failRead;
        }
        if (!exists) {
            return FileReadResult::Missing;
        }
        return Copy(file, buffer, capacity, size);
    }
    ReplaceResult ReplaceFile(const char16_t* path, const char* data, size_t size,
                              char16_t* keptPath) override {
        Record("replace ", path);
        if (failReplace && oldGoneOnFailure) {
            exists = false;
            std::memcpy(keptPath, kept.c_str(), (kept.size() + 1) * sizeof(char16_t));
            return ReplaceResult::TemporaryKept;
        }
        if (failReplace) {
            return ReplaceResult::Failed;
        }
        exists = true;
        file.assign(data, size);
        ++replacements;
        return ReplaceResult::Replaced;
    }
    void RemoveLeftovers(const char16_t* path) override { Record("leftovers ", path); }
    bool LastWriteTime(const char16_t* path, uint64_t* time) override {
        const auto found = times.find(Utf8(path));
        if (found == times.end()) {
            return false;
        }
        *time = found->second;
        return true;
    }
    void RemoveFile(const char16_t* path) override {
        Record("remove ", path);
        others.erase(Utf8(path));
        times.erase(Utf8(path));
    }
    bool FolderTakesNewFile(const char16_t* folder) override {
        Record("folder? ", folder);
        return folderTakesFiles;
    }
    bool LocalAppData(char16_t* buffer, size_t capacity) override {
        if (localAppData.empty() || localAppData.size() >= capacity) {
            return false;
        }
        std::memcpy(buffer, localAppData.c_str(), (localAppData.size() + 1) * sizeof(char16_t));
        return true;
    }
    bool CurrentDirectory(char16_t* buffer, size_t capacity) override {
        Record("cwd", u"");
        if (directory.size() >= capacity) {
            return false;
        }
        std::memcpy(buffer, directory.c_str(), (directory.size() + 1) * sizeof(char16_t));
        return true;
    }
    int ToAnsi(char16_t unit, char out[2]) override {
        if (unit != u'\u3042') {
            return 0;
        }
        out[0] = '\x82';
        out[1] = '\xa0';
        return 2;
    }
    char16_t ToWide(const char* bytes, int count) override {
        return count == 2 && bytes[0] == '\x82' && bytes[1] == '\xa0' ? u'\u3042' : 0;
    }

  private:
    static FileReadResult Copy(const std::string& bytes, char* buffer, size_t capacity,
                               size_t* size) {
        if (bytes.size() > capacity) {
            return FileReadResult::TooLarge;
        }
        std::memcpy(buffer, bytes.data(), bytes.size());
        *size = bytes.size();
        return FileReadResult::Read;
    }
    void Record(const char* what, const char16_t* path) {
        if (record) {
            calls.push_back(what + Utf8(path));
        }
    }
};

// The bytes of a UTF-16LE file, with its mark, for `text`.
inline std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}
