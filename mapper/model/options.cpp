#include "mapper/model/options.h"

MapperOptions g_options;
