#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TK/tk_cmdli.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "agent/agent.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"

namespace {

enum option_id {
  kDest,
  kDirect,
  kHelp,
  kLogfile,
  kMode,
  kMssqlh,
  kMssqlu,
  kMssqlp,
  kOraclu,
  kOraclp,
  kPort,
  kSilent,
  kSkipIdx,
  kSrc,
  kTabDef,
  kTabFile,
  kUppercase,
  kProfile,
};

const tk_cmdli_option kOptions[] = {
    {"--dest=", kDest},          {"--direct", kDirect},
    {"--help", kHelp},           {"--logfile=", kLogfile},
    {"--mode=", kMode},          {"--mssqlh=", kMssqlh},
    {"--mssqlu=", kMssqlu},      {"--mssqlp=", kMssqlp},
    {"--oraclu=", kOraclu},      {"--oraclp=", kOraclp},
    {"--port=", kPort},          {"--silent", kSilent},
    {"--skip_idx", kSkipIdx},    {"--src=", kSrc},
    {"--tab_def", kTabDef},      {"--tab_file=", kTabFile},
    {"--uppercase", kUppercase}, {"--profile=", kProfile},
};

// A value that cannot be converted leaves the field as it was.
void take(const char* value, std::u16string& field) {
  std::u16string wide;
  std::string narrow = value;
  wide = tk_ansi_to_ucs2(narrow);
  if (!narrow.empty() && wide.empty()) return;
  field = wide;
}

// A profile that was named must load: a typo would otherwise run with the
// command line's settings (and overwrite every table).
void load_profile(tessaly_convertor& driver, const std::string& path) {
  struct stat st {};
  int error = 0;
  if (::stat(path.c_str(), &st) != 0)
    error = errno;
  else if (S_ISDIR(st.st_mode))
    error = EISDIR;
  else if (::access(path.c_str(), R_OK) != 0)
    error = errno;
  if (error != 0) fatal_exit("Cannot read profile " + path + ": " + std::strerror(error));
  if (!driver.load_profile(path))
    fatal_exit("Profile " + path + " is not a profile: an entry comes before its first [section]");
}

// A password kept out of the command line, where other users can see it.
bool password_from_environment(const char* variable, std::u16string& password) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return false;
  password = tk_ansi_to_ucs2(value);
  return true;
}

int parse_mode(const char* value) {
  long mode = std::strtol(value, nullptr, 10);
  if (std::to_string(mode) != value || mode < 0 || mode > 2)
    fatal_exit("Invalid merge/overwrite mode");
  return static_cast<int>(mode);
}

}  // namespace

bool parse_cmd_line(int argc, const char* const* argv) {
  tk_trace(2, "parse_cmd_line");
  for (int i = 0; i < argc; ++i) {
    // Passwords stay out of the trace log, whatever its threshold.
    std::string arg = argv[i];
    for (const char* secret : {"--oraclp=", "--mssqlp="})
      if (arg.rfind(secret, 0) == 0) arg = std::string(secret) + "***";
    tk_trace(1, "parameter #%d: %s", i, arg.c_str());
  }

  tessaly_convertor& driver = tessaly_convertor::instance();
  std::u16string dest, oracle_user, oracle_password, port = u"1521";
  std::u16string mssql_host, mssql_user, mssql_password;
  bool direct = false;
  bool profile_loaded = false;
  bool oracle_password_given = false;
  bool mssql_password_given = false;

  tk_cmdli args(argc, argv, kOptions, sizeof kOptions / sizeof kOptions[0]);
  for (; args.valid(); args.next()) {
    const char* value = args.value();
    switch (args.id()) {
      case kDest:
        take(value, dest);
        break;
      case kDirect:
        driver.oracle.use_tns = false;
        direct = true;
        break;
      case kHelp:
        fatal_exit(usage_text());
      case kLogfile:
        tk_trace(1, "parse_cmd_line - got logfile %s", value);
        driver.set_logfile(value);
        break;
      case kMode:
        driver.conversion_mode = parse_mode(value);
        tk_trace(2, "\tgot mode %d", driver.conversion_mode);
        break;
      case kMssqlh:
        take(value, mssql_host);
        break;
      case kMssqlu:
        take(value, mssql_user);
        break;
      case kMssqlp:
        take(value, mssql_password);
        mssql_password_given = true;
        break;
      case kOraclu:
        take(value, oracle_user);
        break;
      case kOraclp:
        take(value, oracle_password);
        oracle_password_given = true;
        break;
      case kPort:
        take(value, port);
        break;
      case kSilent:
        tk_trace(1, "parse_cmd_line - silent mode is ON");
        driver.set_silent(true);
        error_handler::instance().set_silent(true);
        break;
      case kSkipIdx:
        tk_trace(2, "\tskip converting indexes");
        driver.skip_indexes = true;
        break;
      case kSrc:
        tk_trace(2, "\tparse_cmd_line - got src %s", value);
        take(value, driver.database_name);
        break;
      case kTabDef:
        tk_trace(2, "\tconvert table definitions only");
        driver.definitions_only = true;
        break;
      case kTabFile:
        tk_trace(2, "\tparse_cmd_line - got tab_file %s", value);
        process_tab_file(value);
        break;
      case kUppercase:
        tk_trace(2, "\tmake table names uppercase");
        driver.uppercase = true;
        break;
      case kProfile: {
        tk_trace(1, "parse_cmd_line - got profile %s", value);
        std::u16string path;
        take(value, path);
        load_profile(driver, tk_ucs2_to_ansi(path));
        profile_loaded = true;
        break;
      }
      default:
        break;
    }
  }
  if (args.unrecognised_count() > 0) return false;

  if (driver.database_name.empty()) fatal_exit("You should enter MS SQL database name");
  // A profile's mode is checked as the option's is.
  if (driver.conversion_mode < 0 || driver.conversion_mode > 2)
    fatal_exit("Invalid merge/overwrite mode");
  if (profile_loaded) {
    oracle_converter_impl& o = driver.oracle;
    if ((o.use_tns ? o.service : o.host).empty())
      fatal_exit("You should enter Oracle database name in the profile's [Oracle settings]");
    if (o.password.empty()) password_from_environment("TSL_ORACLE_PASSWORD", o.password);
    mssql_converter_impl& m = driver.mssql;
    if (!m.windows_authentication && m.password.empty())
      password_from_environment("TSL_MSSQL_PASSWORD", m.password);
  } else {
    if (!oracle_password_given) password_from_environment("TSL_ORACLE_PASSWORD", oracle_password);
    // Without a login the local account is used; a password alone names none.
    if (!mssql_password_given && !mssql_user.empty())
      password_from_environment("TSL_MSSQL_PASSWORD", mssql_password);
    if (dest.empty()) fatal_exit("You should enter Oracle database name");
    driver.oracle.store_oracle_settings(dest, oracle_user, oracle_password);
    driver.mssql.host = mssql_host;
    driver.mssql.user = mssql_user;
    driver.mssql.password = mssql_password;
    driver.mssql.windows_authentication = mssql_user.empty() && mssql_password.empty();
    if (direct) driver.oracle.store_oracle_settings(dest, oracle_user, oracle_password, port);
  }
  return true;
}
