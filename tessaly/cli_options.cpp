#include "tessaly/cli_options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "TK/tk_exception.h"

namespace tessaly {
namespace {

// Which subcommands take an option.
constexpr unsigned kConvert = 1u << static_cast<int>(command::convert);
constexpr unsigned kDdl = 1u << static_cast<int>(command::ddl);
constexpr unsigned kVerify = 1u << static_cast<int>(command::verify);
constexpr unsigned kList = 1u << static_cast<int>(command::list);
constexpr unsigned kSource = kConvert | kDdl | kVerify | kList;
// ddl connects, when asked to, only to learn the server's release.
constexpr unsigned kOracle = kConvert | kVerify | kDdl;
constexpr unsigned kSelect = kConvert | kDdl | kVerify | kList;

enum id {
  kServer = 256,
  kDatabase,
  kUser,
  kOracleService,
  kOracleHost,
  kOraclePort,
  kOracleUser,
  kOracleRelease,
  kMode,
  kDefinitionsOnly,
  kSkipIndexes,
  kUppercase,
  kForeignKeys,
  kJobs,
  kProfile,
  kSaveProfile,
  kTablesFile,
  kInclude,
  kExclude,
  kReport,
  kLog,
  kQuiet,
  kHelp,
  kVersion,
  kJobPlan,
};

struct option_def {
  const char* name;
  int has_arg;
  int id;
  char short_name;
  unsigned commands;
  const char* arg;
  const char* text;
};

const option_def kSpecs[] = {
    {"server", required_argument, kServer, 'S', kSource, "HOST[,PORT]",
     "MS SQL Server host (default: the local server)"},
    {"database", required_argument, kDatabase, 'd', kSource, "NAME", "source database"},
    {"user", required_argument, kUser, 'U', kSource, "LOGIN",
     "MS SQL login (default: the local account); password from TSL_MSSQL_PASSWORD or a prompt"},
    {"oracle", required_argument, kOracleService, 'o', kOracle, "SERVICE", "Oracle service name"},
    {"oracle-host", required_argument, kOracleHost, 0, kOracle, "HOST",
     "connect to Oracle directly by host and port instead"},
    {"oracle-port", required_argument, kOraclePort, 0, kOracle, "PORT",
     "Oracle port for --oracle-host (default 1521)"},
    {"oracle-user", required_argument, kOracleUser, 'u', kOracle, "USER",
     "Oracle user; password from TSL_ORACLE_PASSWORD or a prompt"},
    {"oracle-release", required_argument, kOracleRelease, 0, kDdl, "MAJOR",
     "write types for this Oracle release (default: the server's named by --oracle, "
     "else the newest)"},
    {"mode", required_argument, kMode, 'm', kConvert, "MODE",
     "existing tables: overwrite (default), merge or skip"},
    {"definitions-only", no_argument, kDefinitionsOnly, 0, kConvert, nullptr,
     "create the tables without copying rows"},
    {"skip-indexes", no_argument, kSkipIndexes, 0, kConvert | kDdl, nullptr,
     "leave out keys and indexes"},
    {"uppercase", no_argument, kUppercase, 0, kSource, nullptr, "make table names upper case"},
    {"foreign-keys", no_argument, kForeignKeys, 0, kConvert | kDdl, nullptr,
     "create the source's foreign keys after the tables are filled"},
    {"jobs", required_argument, kJobs, 'j', kConvert, "N", "convert N tables at once"},
    {"profile", required_argument, kProfile, 'p', kSource, "FILE", "read settings from a profile"},
    {"save-profile", required_argument, kSaveProfile, 0, kConvert, "FILE",
     "write the run's settings to a profile"},
    {"tables-file", required_argument, kTablesFile, 'T', kSelect, "FILE",
     "convert the tables named in FILE, one a line"},
    {"include", required_argument, kInclude, 'i', kSelect, "PATTERN",
     "select tables matching a pattern (* and ?, case ignored); repeatable"},
    {"exclude", required_argument, kExclude, 'x', kSelect, "PATTERN",
     "leave out tables matching a pattern; repeatable"},
    {"report", required_argument, kReport, 'r', kConvert, "FILE",
     "write a JSON summary of the run"},
    {"log", required_argument, kLog, 'l', kSource, "FILE", "write a trace log"},
    {"quiet", no_argument, kQuiet, 'q', kSource, nullptr, "print no progress"},
    {"help", no_argument, kHelp, 'h', ~0u, nullptr, "show this help and exit"},
    {"version", no_argument, kVersion, 'V', ~0u, nullptr, "show the version and exit"},
    // Internal: how a split run starts its other processes; not in the help.
    {"job-plan", required_argument, kJobPlan, 0, kConvert, "FILE", nullptr},
};

struct command_entry {
  command cmd;
  const char* name;
  const char* synopsis;
  const char* summary;
};

const command_entry kCommands[] = {
    {command::convert, "convert", "[OPTIONS] [TABLE...]",
     "copy tables and queries into the Oracle schema"},
    {command::ddl, "ddl", "[OPTIONS] [TABLE...]",
     "print the Oracle DDL a conversion would run, without connecting to Oracle"},
    {command::verify, "verify", "[OPTIONS] [TABLE...]",
     "compare source and destination row by row, order ignored"},
    {command::list, "list", "[OPTIONS]",
     "list tables and queries with row counts and their Oracle names"},
};

[[noreturn]] void usage_error(const std::string& message) {
  throw tk_exception(message + "\nTry 'tessaly --help' for more information.", 1);
}

int number(const char* value, const char* option, long low, long high) {
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(value, &end, 10);
  if (*value == '\0' || *end != '\0' || errno != 0 || n < low || n > high)
    usage_error(std::string("invalid value '") + value + "' for --" + option);
  return static_cast<int>(n);
}

int parse_mode(const char* value) {
  const std::string v = value;
  if (v == "overwrite" || v == "0") return 0;
  if (v == "merge" || v == "1") return 1;
  if (v == "skip" || v == "2") return 2;
  usage_error("invalid mode '" + v + "': use overwrite, merge or skip");
}

}  // namespace

const char* command_name(command cmd) {
  for (const command_entry& c : kCommands)
    if (c.cmd == cmd) return c.name;
  return "";
}

cli_options parse_cli(int argc, const char* const* argv) {
  cli_options o;
  int first = 1;
  if (argc > 1 && argv[1][0] != '-') {
    for (const command_entry& c : kCommands)
      if (std::strcmp(argv[1], c.name) == 0) o.cmd = c.cmd;
    if (o.cmd == command::none) usage_error(std::string("unknown command '") + argv[1] + "'");
    first = 2;
  }
  const unsigned mask = o.cmd == command::none ? 0u : 1u << static_cast<int>(o.cmd);

  std::vector<option> longs;
  // A leading ':' tells a missing value from an unknown option.
  std::string shorts = ":";
  for (const option_def& s : kSpecs) {
    longs.push_back({s.name, s.has_arg, nullptr, s.id});
    if (s.short_name != 0) {
      shorts += s.short_name;
      if (s.has_arg == required_argument) shorts += ':';
    }
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  // getopt permutes its vector: work on a copy so the caller's stays whole.
  std::vector<char*> args;
  args.push_back(const_cast<char*>("tessaly"));
  std::vector<std::string> storage(argv + first, argv + argc);
  for (std::string& a : storage) args.push_back(a.data());
  args.push_back(nullptr);
  const int count = static_cast<int>(args.size()) - 1;

  optind = 0;  // a fresh scan, also on a second call
  opterr = 0;
  for (;;) {
    int index = -1;
    int c = getopt_long(count, args.data(), shorts.c_str(), longs.data(), &index);
    if (c == -1) break;
    if (c == '?') {
      if (optopt != 0)
        usage_error(std::string("unknown option '-") + static_cast<char>(optopt) + "'");
      usage_error(std::string("unknown option '") + args[optind - 1] + "'");
    }
    if (c == ':') usage_error(std::string("option '") + args[optind - 1] + "' needs a value");
    const option_def* def = nullptr;
    for (const option_def& s : kSpecs)
      if (s.id == c || (s.short_name != 0 && s.short_name == c)) def = &s;
    if (def == nullptr) usage_error("unknown option");
    if (def->commands != ~0u && (mask & def->commands) == 0)
      usage_error(std::string("option --") + def->name +
                  (o.cmd == command::none
                       ? " needs a command"
                       : std::string(" does not apply to ") + command_name(o.cmd)));
    const char* v = optarg;
    switch (def->id) {
      case kServer:
        o.server = v;
        break;
      case kDatabase:
        o.database = v;
        break;
      case kUser:
        o.user = v;
        break;
      case kOracleService:
        o.oracle = v;
        break;
      case kOracleHost:
        o.oracle_host = v;
        break;
      case kOraclePort:
        number(v, def->name, 1, 65535);
        o.oracle_port = v;
        break;
      case kOracleUser:
        o.oracle_user = v;
        break;
      case kOracleRelease:
        o.oracle_release = number(v, def->name, 7, 99);
        break;
      case kMode:
        o.mode = parse_mode(v);
        break;
      case kDefinitionsOnly:
        o.definitions_only = true;
        break;
      case kSkipIndexes:
        o.skip_indexes = true;
        break;
      case kUppercase:
        o.uppercase = true;
        break;
      case kForeignKeys:
        o.foreign_keys = true;
        break;
      case kJobs:
        o.jobs = number(v, def->name, 1, 64);
        break;
      case kProfile:
        o.profile = v;
        break;
      case kSaveProfile:
        o.save_profile = v;
        break;
      case kTablesFile:
        o.tables_file = v;
        break;
      case kInclude:
        o.include.push_back(v);
        break;
      case kExclude:
        o.exclude.push_back(v);
        break;
      case kReport:
        o.report = v;
        break;
      case kLog:
        o.log = v;
        break;
      case kQuiet:
        o.quiet = true;
        break;
      case kHelp:
        o.help = true;
        return o;
      case kVersion:
        o.version = true;
        return o;
      case kJobPlan:
        o.job_plan = v;
        break;
      default:
        break;
    }
  }
  for (int i = optind; i < count; ++i) o.tables.push_back(args[i]);
  if (o.cmd == command::none) {
    if (!o.tables.empty()) usage_error("unknown command '" + o.tables.front() + "'");
    usage_error("no command given");
  }
  if (o.cmd == command::list && !o.tables.empty())
    usage_error("list takes no table names: use --include");
  return o;
}

std::string help_text(command cmd) {
  std::string s;
  if (cmd == command::none) {
    s = "Usage: tessaly COMMAND [OPTIONS] [TABLE...]\n"
        "Copies an MS SQL Server database into the schema of an Oracle user.\n\nCommands:\n";
    for (const command_entry& c : kCommands) {
      std::string name = c.name;
      s += "  " + name + std::string(10 - name.size(), ' ') + c.summary + "\n";
    }
    s += "\nRun 'tessaly COMMAND --help' for a command's options.\n";
  } else {
    const unsigned mask = 1u << static_cast<int>(cmd);
    for (const command_entry& c : kCommands)
      if (c.cmd == cmd)
        s = std::string("Usage: tessaly ") + c.name + " " + c.synopsis + "\n" + c.summary +
            ".\n\nOptions:\n";
    for (const option_def& o : kSpecs) {
      if ((o.commands & mask) == 0 || o.text == nullptr) continue;
      std::string left = o.short_name ? std::string("-") + o.short_name + ", " : "    ";
      left += std::string("--") + o.name;
      if (o.arg) left += std::string("=") + o.arg;
      s += "  " + left;
      s += left.size() < 28 ? std::string(28 - left.size(), ' ') : "\n" + std::string(30, ' ');
      s += o.text;
      s += "\n";
    }
  }
  s += "\nExit status: 0 everything done, 1 completed with errors (or differences\n"
       "found), 255 fatal error.\n";
  return s;
}

}  // namespace tessaly
