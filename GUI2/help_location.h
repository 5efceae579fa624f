#pragma once
// Where the wizard's help pages are.
#include <string>

// For the program at `program` (a full path): PREFIX/share/tessaly/help when
// the program is installed in PREFIX/bin and the pages are there; otherwise
// PROGRAM.help beside it, where the build puts them.
std::string help_dir_for(const std::string& program);
