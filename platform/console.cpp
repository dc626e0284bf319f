// Terminal detection: _isatty on Windows, isatty elsewhere.
#include "platform/console.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

#else
#include <unistd.h>

bool StandardErrorIsTerminal() { return isatty(fileno(stderr)) != 0; }

#endif
