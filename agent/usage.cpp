#include "agent/agent.h"
#include "platform/text/format.h"

namespace {

struct usage_line {
  const char* option;
  const char* text;
  const char* more;
};

const usage_line kLines[] = {
    {"--dest=...", "Oracle service name or IP address of Oracle server", nullptr},
    {"--direct", "connect to Oracle server via IP + port", "(in direct mode)"},
    {"--help", "display this help message and exit", nullptr},
    {"--logfile=...", "path to the file where execution trace will be written", nullptr},
    {"--mode=...", "how to process tables that already exist in Oracle database",
     "(0 - overwrite, 1 - merge, 2 - skip)"},
    {"--mssqlh=...", "MS SQL server IP address or network name", nullptr},
    {"--mssqlu=...", "MS SQL user name", nullptr},
    {"--mssqlp=...", "MS SQL user password", nullptr},
    {"--oraclu=...", "Oracle user name", nullptr},
    {"--oraclp=...", "Oracle user password", nullptr},
    {"--port=...", "Oracle port (for direct mode only)", nullptr},
    {"--profile=...", "path to the file to load conversion settings from", nullptr},
    {"--silent", "disable program output", nullptr},
    {"--skip_idx", "skip converting indexes", nullptr},
    {"--src=...", "MS SQL database name", nullptr},
    {"--tab_def", "convert table definitions only", nullptr},
    {"--tab_file=...", "file containing the list of tables to convert",
     "(one table name per line)"},
    {"--uppercase", "make table names uppercase", nullptr},
};

constexpr int kMajor = 3;
constexpr int kMinor = 1;

}  // namespace

std::string usage_text() {
  std::string s = tsl::text::format("TSLAGENT v%d.%d", kMajor, kMinor);
  s += ", copies an MS SQL Server database into an Oracle schema\n";
  s += "Usage: TSLAGENT.EXE OPTIONS\n\n";
  for (const usage_line& l : kLines) {
    s += tsl::text::format("   %-15s%s\n", l.option, l.text);
    if (l.more) s += std::string(18, ' ') + l.more + "\n";
  }
  s += "\nNOTES:\n"
       "   1) You can omit 'mssqlh' parameter to connect local MS SQL server.\n"
       "   2) You can omit 'mssqlu' and 'mssqlp' parameters to connect to MS SQL\n"
       "      server using Windows authentication\n"
       "   3) The default mode is 'overwrite'. You can change it using\n"
       "      '--mode' parameter\n"
       "   4) If you omit 'tab_file' parameter, all database tables will be converted.\n";
  return s;
}
