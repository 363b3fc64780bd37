#pragma once
// What the settings file needs from the platform: whole-file reads, atomic
// replacement, the current directory, and the code page conversion that a
// UTF-16LE Top.ini needs. Paths are UTF-16 text, zero-terminated, with '\\'
// between folders.
#include <cstddef>

#include "mapper/model/ini_profile.h"

enum class FileReadResult {
    Read,      // the whole file is in the buffer
    Missing,   // there is no such file
    TooLarge,  // the file is longer than the buffer; the buffer holds nothing useful
    Failed,    // the file exists but could not be read
};

class SettingsStorage : public AnsiCodePage {
  public:
    // Reads the whole file at `path` into buffer[0..capacity-1] and sets *size.
    virtual FileReadResult ReadWholeFile(const char16_t* path, char* buffer, size_t capacity,
                                         size_t* size) = 0;
    // Makes the file at `path` hold exactly data[0..size-1], through a
    // temporary file of a fresh name beside it that replaces it, so the file
    // holds either its old or its new content whatever happens, and keeps
    // its attributes. False on any failure; the old file (or its absence) is
    // then left as it was, and so is every other file.
    virtual bool ReplaceFile(const char16_t* path, const char* data, size_t size) = 0;
    // Copies the current directory, zero-terminated, into buffer[0..capacity-1];
    // false when it cannot be had or does not fit.
    virtual bool CurrentDirectory(char16_t* buffer, size_t capacity) = 0;
};
