#pragma once
// The platform services of mapper.exe: filled once by its entry
// (mapper_main.cpp), the one place that names the backends, and handed to
// the windows (MapperApp::platform), which see only these interfaces.
#include <windows.h>

#include "mapper/engine/engine_platform.h"
#include "mapper/model/legacy.h"
#include "mapper/model/settings_storage.h"
#include "mapper/ui/core/key_labels.h"

struct MapperPlatform {
    EnginePlatform& engine;     // the engine's: pads, keys, time
    KeyNameSource& keyNames;    // the binding grid's labels
    SettingsStorage& settings;  // Top.ini
    LegacyPlatform& legacy;     // Tolvin.dat
};
