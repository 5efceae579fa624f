#include "tessaly/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "MSS/mss_database.h"
#include "MSS/mss_messages.h"
#include "ORA/ora_messages.h"
#include "ORA/ora_tn_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace_log.h"
#include "agent/agent.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "platform/text/utf.h"
#include "tessaly/console_errors.h"
#include "tessaly/password_source.h"
#include "tessaly/table_filter.h"

namespace tessaly {
namespace {

std::u16string wide(const std::string& s) {
  return tsl::text::utf8_to_utf16(s);
}

[[noreturn]] void fail(const std::string& message) {
  throw tk_exception(message, 1);
}

void load_profile(tessaly_convertor& driver, const std::string& path) {
  struct stat st {};
  int error = 0;
  if (::stat(path.c_str(), &st) != 0)
    error = errno;
  else if (S_ISDIR(st.st_mode))
    error = EISDIR;
  else if (::access(path.c_str(), R_OK) != 0)
    error = errno;
  if (error != 0) fail("cannot read profile " + path + ": " + std::strerror(error));
  if (!driver.load_profile(path))
    fail("profile " + path + " is not a profile: an entry comes before its first [section]");
}

std::vector<std::u16string> read_tables_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read tables file " + path + ": " + std::strerror(errno));
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return read_tab_names(content);
}

progress_display::style display_style(const cli_options& o) {
  if (o.quiet) return progress_display::style::quiet;
  // Processes of a split run share one terminal: plain lines only.
  if (!o.job_plan.empty()) return progress_display::style::lines;
  return ::isatty(STDERR_FILENO) ? progress_display::style::terminal
                                 : progress_display::style::lines;
}

}  // namespace

session::session(const cli_options& options) : options_(options) {
  log_ = std::make_unique<tk_trace_log>(nullptr, false, 3, false);
  errors_ = std::make_unique<error_handler>(ora_messages_count, ora_messages);
  errors_->load_err_map(mss_messages_count, mss_messages);
  driver_ = std::make_unique<tessaly_convertor>();
  // The agent's rules: nothing selected means every table, and a named
  // table the source lacks is an error.
  driver_->set_agent(true);
  display_ = std::make_unique<progress_display>(*driver_, display_style(options));
  ui_ = std::make_unique<console_errors>(
      [this](const std::string& line) { display_->print_line(line, true); });
  errors_->set_ui(ui_.get());

  tessaly_convertor& d = *driver_;
  if (!options.log.empty()) d.set_logfile(options.log);
  if (!options.profile.empty()) load_profile(d, options.profile);

  // The command line goes over the profile.
  if (!options.database.empty()) d.database_name = wide(options.database);
  if (d.database_name.empty()) fail("no source database: use --database");
  if (options.mode >= 0) d.conversion_mode = options.mode;
  if (d.conversion_mode < 0 || d.conversion_mode > 2) fail("invalid merge/overwrite mode");
  if (options.definitions_only) d.definitions_only = true;
  if (options.skip_indexes) d.skip_indexes = true;
  if (options.uppercase) d.uppercase = true;

  mssql_converter_impl& m = d.mssql;
  if (!options.server.empty()) m.host = wide(options.server);
  if (!options.user.empty()) {
    m.user = wide(options.user);
    m.password.clear();
    m.windows_authentication = false;
  } else if (options.profile.empty()) {
    m.windows_authentication = true;
  }
  if (!m.windows_authentication && m.password.empty())
    m.password = wide(read_password(
        "TSL_MSSQL_PASSWORD", "MS SQL password for " + tsl::text::utf16_to_utf8(m.user) + ": "));

  const bool ddl_asks_release =
      options.cmd == command::ddl && (!options.oracle.empty() || !options.oracle_host.empty());
  if (options.cmd == command::convert || options.cmd == command::verify || ddl_asks_release) {
    oracle_converter_impl& o = d.oracle;
    std::u16string user = options.oracle_user.empty() ? o.user : wide(options.oracle_user);
    if (!options.oracle_host.empty()) {
      o.store_oracle_settings(wide(options.oracle_host), user, o.password,
                              wide(options.oracle_port));
      o.use_tns = false;
    } else if (!options.oracle.empty()) {
      o.store_oracle_settings(wide(options.oracle), user, o.password);
      o.use_tns = true;
    } else {
      o.user = user;
    }
    if ((o.use_tns ? o.service : o.host).empty())
      fail("no Oracle database: use --oracle or --oracle-host");
    if (o.user.empty()) fail("no Oracle user: use --oracle-user");
    if (o.password.empty())
      o.password = wide(read_password(
          "TSL_ORACLE_PASSWORD", "Oracle password for " + tsl::text::utf16_to_utf8(o.user) + ": "));
  }

  std::vector<std::u16string> names;
  for (const std::string& t : options.tables) names.push_back(wide(t));
  if (!options.tables_file.empty())
    for (std::u16string& t : read_tables_file(options.tables_file)) names.push_back(std::move(t));
  selection_names_ = std::move(names);
}

session::~session() {
  if (errors_) errors_->set_ui(nullptr);
  // The driver before the policy, the policy before the log.
  display_.reset();
  driver_.reset();
  errors_.reset();
  log_.reset();
}

std::unique_ptr<mss_database> session::open_source() {
  tessaly_convertor& d = *driver_;
  d.mssql.connect_mssql_server();
  if (!d.mssql.engine().is_db_exist(d.database_name))
    fail("database '" + tsl::text::utf16_to_utf8(d.database_name) + "' does not exist");
  return d.mssql.engine().open_db(d.database_name, udb_database::kReadOnly);
}

void session::connect_destination() {
  driver_->oracle.connect_oracle_server();
}

void session::apply_selection(mss_database& source) {
  table_selection selection;
  selection.names = selection_names_;
  selection.include = options_.include;
  selection.exclude = options_.exclude;
  if (selection.empty()) return;
  tessaly_convertor& d = *driver_;
  std::vector<std::u16string> available = source.table_names();
  for (const auto& [name, sql] : d.selected_entries)
    if (!sql.empty()) available.push_back(name);
  const std::vector<std::u16string> chosen = select_tables(available, selection);
  if (chosen.empty()) fail("no table matches the selection");

  std::map<std::u16string, std::u16string> queries;
  for (const auto& [name, sql] : d.selected_entries)
    if (!sql.empty()) queries.emplace(name, sql);
  d.selected_entries.clear();
  d.selected_tables.clear();
  for (const std::u16string& name : chosen) {
    auto q = queries.find(name);
    if (q != queries.end())
      d.selected_entries.emplace(name, q->second);
    else
      d.selected_tables.push_back(name);
  }
}

std::vector<planned_entry> session::plan(mss_database& source) {
  // As the run builds them: the tables, then every entry's name taken, then
  // the names handed out in the order of the entries.
  tessaly_convertor& d = *driver_;
  std::vector<std::u16string> tables = d.selected_tables;
  if (tables.empty() && d.selected_entries.empty()) tables = source.table_names();
  ora_tn_validator validator(tables, {});
  std::map<std::u16string, std::u16string> entries = d.selected_entries;
  for (const auto& entry : entries) validator.add_used(entry.first);
  for (const std::u16string& t : tables) entries.emplace(t, std::u16string());
  std::vector<std::u16string> sources;
  for (const auto& entry : entries) sources.push_back(entry.first);
  const std::vector<std::u16string> targets =
      tessaly_convertor::destination_names(sources, d.uppercase, validator);
  std::vector<planned_entry> out;
  size_t k = 0;
  for (const auto& [name, sql] : entries) out.push_back({name, sql, targets[k++]});
  return out;
}

}  // namespace tessaly
