#pragma once
// Passwords never come from the command line, where other users can read
// them: from the environment, else from a prompt on the terminal.
#include <string>

namespace tessaly {

// The variable's value when it is set; else, when standard input is a
// terminal, what the user types after `prompt` with echo off; else empty.
std::string read_password(const char* variable, const std::string& prompt);

}  // namespace tessaly
