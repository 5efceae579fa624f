#pragma once
// The subcommands of tessaly; each answers the program's exit status.
#include "tessaly/cli_options.h"

namespace tessaly {

int run_convert(const cli_options& options);
int run_ddl(const cli_options& options);
int run_verify(const cli_options& options);
int run_list(const cli_options& options);

}  // namespace tessaly
