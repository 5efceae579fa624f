#pragma once
// The running program's own full path.
#include <string>

// Raises an internal error when the system cannot tell.
std::string tk_get_program_path();
std::u16string tk_get_program_wpath();
