// Which formats this build writes, as CMake configured it.
#include "host/output_formats.h"

bool BuildWritesLinuxOnlyFormats() { return VELMORA_HOST_LINUX_FORMATS != 0; }
