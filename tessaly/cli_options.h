#pragma once
// The command line of tessaly: a subcommand, then GNU-style options
// ("--opt=value", "--opt value", short forms) and table names.
#include <string>
#include <vector>

namespace tessaly {

enum class command { none, convert, ddl, verify, list };

struct cli_options {
  command cmd = command::none;
  bool help = false;
  bool version = false;

  // Source.
  std::string server;  // host, "host,port" or "host\instance"; empty: local
  std::string database;
  std::string user;  // empty: the local account
  // Destination.
  std::string oracle;  // service name
  std::string oracle_host;
  std::string oracle_port = "1521";
  std::string oracle_user;
  int oracle_release = 0;  // ddl only; 0: the newest

  int mode = -1;  // -1: the profile's or overwrite
  bool definitions_only = false;
  bool skip_indexes = false;
  bool uppercase = false;
  bool foreign_keys = false;
  int jobs = 1;

  std::string profile;
  std::string save_profile;
  std::string tables_file;
  std::vector<std::string> tables;
  std::vector<std::string> include;
  std::vector<std::string> exclude;

  // A process of a split run (internal): the file naming what it fills.
  std::string job_plan;

  std::string report;
  std::string log;
  bool quiet = false;
};

// Raises tk_exception (severity 1) with a one-line message for anything it
// cannot use; `--help` and `--version` end the parse with what was read.
cli_options parse_cli(int argc, const char* const* argv);

// The text of `tessaly --help` (command::none) or of one subcommand's.
std::string help_text(command cmd);
const char* command_name(command cmd);

}  // namespace tessaly
