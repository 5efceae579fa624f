#pragma once
// Version of a shared library as (major << 16) | minor, or 0 when the library
// cannot be loaded or does not tell its version.
#include <string>

unsigned get_dll_version(const char* file);
