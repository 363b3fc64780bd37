#pragma once
// SaveSettings and LoadSettings spelled out with kernel32's private-profile
// functions, one call per entry: the reference that the project's own INI
// code is compared and timed against.
#include <windows.h>

#include <string>

#include "mapper/model/keyset_table.h"
#include "mapper/model/options.h"

inline void KernelSave(const std::string& path, const KeySetTable& table,
                       const MapperOptions& options) {
    char key[64];
    char value[256];
    wsprintfA(value, "%d", table.SetKeyCount.load());
    WritePrivateProfileStringA("PAMURO", "SETKEYCOUNT", value, path.c_str());
    for (int set = 0; set <= table.SetKeyCount; ++set) {
        wsprintfA(key, "KEYSETNAME%2d", set);
        WritePrivateProfileStringA("KEYSETNAME", key, table.Names[set], path.c_str());
        for (int keyIndex = 0; keyIndex < kKeysPerInput; ++keyIndex) {
            for (int slot = 0; slot < kInputCount; ++slot) {
                wsprintfA(key, "KEYSET%2d-%2d-%2d", set, slot, keyIndex);
                const int32_t code = table.Keys[set][slot][keyIndex].load();
                // Buttons 9 to 16: only when bound or already in the file.
                char held[8];
                if (slot >= kFirstReleaseInputCount && code == 0 &&
                    GetPrivateProfileStringA("KEYSET", key, "\x01", held, sizeof held,
                                             path.c_str()) == 1 &&
                    held[0] == '\x01') {
                    continue;
                }
                wsprintfA(value, "%d", code);
                WritePrivateProfileStringA("KEYSET", key, value, path.c_str());
            }
        }
    }
    wsprintfA(value, "%d", options.KeyDownMode.load());
    WritePrivateProfileStringA("SETTING", "SetKeyDownMode", value, path.c_str());
    wsprintfA(value, "%d", options.SetSleep.load());
    WritePrivateProfileStringA("SETTING", "SetSleep", value, path.c_str());
}

inline void KernelLoad(const std::string& path, KeySetTable& table, MapperOptions& options) {
    ClearKeySetTable(table);
    char key[64];
    int count = static_cast<int>(GetPrivateProfileIntA("PAMURO", "SETKEYCOUNT", 0, path.c_str()));
    count = count > kMaxSets - 1 ? kMaxSets - 1 : count < -1 ? -1 : count;
    table.SetKeyCount = count;
    for (int set = 0; set <= count; ++set) {
        wsprintfA(key, "KEYSETNAME%2d", set);
        GetPrivateProfileStringA("KEYSETNAME", key, kUntitledName, table.Names[set], kNameSize,
                                 path.c_str());
        for (int keyIndex = 0; keyIndex < kKeysPerInput; ++keyIndex) {
            for (int slot = 0; slot < kInputCount; ++slot) {
                wsprintfA(key, "KEYSET%2d-%2d-%2d", set, slot, keyIndex);
                table.Keys[set][slot][keyIndex] =
                    static_cast<int32_t>(GetPrivateProfileIntA("KEYSET", key, 0, path.c_str()));
            }
        }
    }
    options.KeyDownMode = static_cast<uint8_t>(
        GetPrivateProfileIntA("SETTING", "SetKeyDownMode", 0, path.c_str()) & 0xFF);
    options.SetSleep =
        static_cast<uint8_t>(GetPrivateProfileIntA("SETTING", "SetSleep", 0, path.c_str()) & 0xFF);
}
