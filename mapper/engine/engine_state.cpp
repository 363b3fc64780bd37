#include "mapper/engine/polling.h"

EngineState g_engine;
