// tessaly: the command-line front-end beside TSLAGENT, with subcommands and
// conventional options over the same engine.
#include <csignal>
#include <cstdio>
#include <exception>

#include "TK/tk_exception.h"
#include "tessaly/cli_options.h"
#include "tessaly/commands.h"
#include "tessaly/exit_status.h"
#include "tsl_version.h"

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which is reported.
  std::signal(SIGXFSZ, SIG_IGN);
  using namespace tessaly;
  try {
    cli_options options = parse_cli(argc, argv);
    if (options.version) {
      std::printf("tessaly %s\n", TSL_VERSION);
      return kDone;
    }
    if (options.help) {
      std::fputs(help_text(options.cmd).c_str(), stdout);
      return kDone;
    }
    switch (options.cmd) {
      case command::convert:
        return run_convert(options);
      case command::ddl:
        return run_ddl(options);
      case command::verify:
        return run_verify(options);
      case command::list:
        return run_list(options);
      case command::none:
        break;
    }
    std::fputs(help_text(command::none).c_str(), stderr);
  } catch (const tk_exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessaly: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessaly: %s\n", e.what());
  }
  return kFatal;
}
