#pragma once
// What the engine asks of the operating system about its own process.
#include <string>

namespace tsl::os {

// Full path of the running program (from /proc/self/exe); empty on failure.
std::string program_path();

// The last error of the calling thread (errno) and its system text.
int last_error();
std::string error_text(int error);

// The current directory; empty on failure.
std::string current_directory();
bool change_directory(const std::string& path);

}  // namespace tsl::os
