#include "common/tessaly_convertor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "MSS/mss_database.h"
#include "MSS/mss_select_check.h"
#include "MSS/odb_exception.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_tn_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_trace_log.h"
#include "UDB/udb_record_exception.h"
#include "common/error_handler.h"
#include "common/init_conversion.h"
#include "common/run_observer.h"
#include "common/udb_profile.h"
#include "platform/text/wide_ctype.h"

namespace {

constexpr int kOraResourceBusy = 54;

// Clears the current-run mark however the run ends.
struct run_mark {
  explicit run_mark(bool& flag) : flag_(flag) {
    if (flag_) throw tk_mail_assertion("tsl_conv", 40);
    flag_ = true;
  }
  ~run_mark() { flag_ = false; }
  bool& flag_;
};

}  // namespace

tessaly_convertor::tessaly_convertor() {
  tk_trace(2, "tessaly_convertor::ctor");
  if (instance_) throw tk_mail_assertion("tsl_conv", 35);
  instance_ = this;
}

tessaly_convertor::~tessaly_convertor() noexcept {
  tk_trace(2, "tessaly_convertor::dtor");
  instance_ = nullptr;
}

tessaly_convertor& tessaly_convertor::instance() {
  if (!instance_) throw tk_mail_assertion("tsl_conv", 50);
  return *instance_;
}

void tessaly_convertor::console(const std::string& line, bool to_error) const {
  if (!agent_ || silent_) return;
  if (observer_) {
    if (to_error) observer_->message(line);
    return;
  }
  std::FILE* out = to_error ? stderr : stdout;
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

bool tessaly_convertor::test_query(const std::u16string& sql) {
  tk_trace(2, "tessaly_convertor::test_query");
  std::unique_ptr<mss_database> db = mssql.engine().open_db(database_name, udb_database::kReadOnly);
  return db->test_query(sql);
}

int tessaly_convertor::operator()() {
  tk_trace(2, "tessaly_convertor::operator()");
  done_ = false;
  failed_ = false;
  errors_ = 0;
  // A stop asked for before the run began still holds; after it, it is spent.
  struct stop_reset {
    std::atomic<bool>& flag;
    ~stop_reset() { flag.store(false); }
  } spent{stop_requested_};
  init_conversion scope(&done_, false);
  try {
    run_mark mark(running_);
    // The start stamp is the log's first line: a log that cannot take it
    // would lose the whole run's trace.
    if (tk_trace_log* log = tk_trace_log::peek(); log && log->error() != 0)
      throw tk_exception("Cannot write logfile " + log->file_name() + ": " +
                             std::strerror(log->error()),
                         1);
    ora_database* destination = oracle.database();
    if (!destination) throw tk_exception("Not connected to the Oracle server", 1);
    check_queries();
    // Declared before the source so that it goes after it.
    ora_in_validator index_names;
    destination->set_upper_case(uppercase);
    std::unique_ptr<mss_database> source =
        mssql.engine().open_db(database_name, udb_database::kReadOnly);
    convert_all(*source, *destination);
    error_handler::instance().clear_context();
    table_index_ = 0;
    table_count_ = 0;
  } catch (const tk_final_exception&) {
    // The user chose to stop; the policy has said everything.
    failed_ = true;
  } catch (const tk_exception& e) {
    failed_ = true;
    if (observer_) observer_->error(u"", 0, error_handler::instance().build_message(e));
    error_handler::instance().handle(e, error_handler::kEndsAnyway);
  } catch (const std::exception& e) {
    failed_ = true;
    if (observer_) observer_->error(u"", 0, e.what());
    tk_trace(3, "ERROR:\n%s", e.what());
    console("ERROR:", true);
    console(e.what(), true);
  }
  return 0;
}

void tessaly_convertor::check_queries() {
  for (const auto& [name, sql] : selected_entries) {
    if (sql.empty()) continue;
    try {
      mss_select_check(sql);
    } catch (const tk_exception& e) {
      // Nothing runs when one query could change the source.
      error_handler::instance().set_context(name);
      throw tk_exception(e.what(), 1);
    }
  }
}

void tessaly_convertor::convert_all(mss_database& source, ora_database& destination) {
  table_count_ = static_cast<int32_t>(selected_tables.size());
  std::vector<std::u16string> tables = selected_tables;
  if (agent_ && tables.empty() && selected_entries.empty()) {
    tables = source.table_names();
    table_count_ = static_cast<int32_t>(tables.size());
  }
  tk_trace_w(3, u"Converting database %s (%d tables)", database_name.c_str(), table_count_.load());
  console("Converting database " + tk_ucs2_to_ansi(database_name) + "(" +
              std::to_string(table_count_.load()) + " tables)",
          false);

  // The schema's tables are not taken names: a source table must map to the
  // same destination on every run, so that the mode applies to it.
  ora_tn_validator names(tables, {});
  for (const auto& entry : selected_entries) names.add_used(entry.first);
  // The run keeps what it selected, so a profile stored later lists it.
  if (agent_ && selected_tables.empty() && selected_entries.empty()) selected_tables = tables;
  for (const std::u16string& t : tables) selected_entries.emplace(t, std::u16string());
  if (selected_entries.empty()) {
    // Everything was asked for and nothing is visible: often a login that
    // may not see the tables, never a complete conversion. A run the user
    // chose to start with nothing selected converts nothing, as asked.
    if (agent_)
      count_error(tk_exception(
          "Database '" + tk_ucs2_to_ansi(database_name) + "' has no tables this login can read.",
          0));
    return;
  }

  std::vector<std::u16string> sources;
  for (const auto& entry : selected_entries) sources.push_back(entry.first);
  std::vector<std::u16string> targets = destination_names(sources, uppercase, names);
  for (size_t i = 0; i < sources.size(); ++i)
    if (auto f = fill_only.find(sources[i]); f != fill_only.end()) targets[i] = f->second.target;
  // Sequences are named after their tables; none may take a name that a
  // later table of the run needs.
  for (const std::u16string& t : targets) destination.reserve_name(t);
  size_t k = 0;
  for (const auto& [name, sql] : selected_entries) {
    // A stop asked for from another thread ends the run between tables.
    if (stop_requested()) throw tk_final_exception();
    convert_entry(source, destination, name, sql, targets[k++]);
    table_index_.store(table_index_.load() + 1);
    // A lost source connection fails every table after it: the run ends.
    if (failed_) break;
  }
  if (stop_requested()) throw tk_final_exception();
  if (foreign_keys && !failed_) create_foreign_keys(source, destination);
}

void tessaly_convertor::create_foreign_keys_now() {
  tk_trace(2, "tessaly_convertor::create_foreign_keys_now");
  ora_database* destination = oracle.database();
  if (!destination) throw tk_exception("Not connected to the Oracle server", 1);
  std::unique_ptr<mss_database> source =
      mssql.engine().open_db(database_name, udb_database::kReadOnly);
  // Opening a table collects the keys that refer to it.
  for (const auto& [name, sql] : selected_entries)
    if (sql.empty() && source->is_table_exist(name))
      source->get_table(name, udb_database::kReadOnly);
  create_foreign_keys(*source, *destination);
}

void tessaly_convertor::create_foreign_keys(mss_database& source, ora_database& destination) {
  tk_trace(2, "tessaly_convertor::create_foreign_keys");
  // Only keys between tables of this run: another table in the schema may
  // hold anything.
  auto in_run = [&](const std::u16string& table) {
    for (const auto& entry : selected_entries)
      if (entry.second.empty() && tsl::text::equal_nocase(entry.first, table)) return true;
    return false;
  };
  udb_relationships keys;
  for (const udb_relationship& r : source.relationships())
    if (in_run(r.table()) && in_run(r.referenced_table())) keys.add(r);
  if (keys.empty()) return;
  set_current_name(std::u16string());
  // A key that cannot be made is the run's error; the others still follow.
  destination.set_fk_error_handler([this](const tk_exception& e, const std::u16string& context) {
    error_handler::instance().set_context(context);
    count_error(e);
  });
  struct handler_reset {
    ora_database& db;
    ~handler_reset() { db.set_fk_error_handler(nullptr); }
  } reset{destination};
  destination.create_relationships(keys);
  error_handler::instance().clear_context();
}

std::vector<std::u16string> tessaly_convertor::destination_names(
    const std::vector<std::u16string>& sources, bool uppercase, ora_tn_validator& names) {
  std::vector<std::u16string> targets;
  for (const std::u16string& source : sources) {
    std::u16string target = uppercase ? tk_wstring::to_upper(source) : source;
    // Two entries must not meet in one destination table (names that differ
    // only in case, upper-cased).
    const bool taken = std::find(targets.begin(), targets.end(), target) != targets.end();
    if (taken || !names.is_acceptable(target)) target = names.get_safe_name(target);
    names.add_used(target);
    targets.push_back(target);
  }
  return targets;
}

void tessaly_convertor::count_error(const tk_exception& e, int32_t record) {
  ++errors_;
  if (observer_)
    observer_->error(current_name_, record, error_handler::instance().build_message(e));
  error_handler::instance().handle(e, error_handler::kCanGoOn);
}

void tessaly_convertor::convert_entry(mss_database& source, ora_database& destination,
                                      const std::u16string& name, const std::u16string& sql,
                                      const std::u16string& target) {
  set_current_name(name);
  record_index_ = 0;
  record_count_ = 0;
  // Every table that began is reported as finished, however it ends.
  struct finish_mark {
    run_observer* observer;
    const std::u16string& name;
    std::atomic<int32_t>& read;
    int64_t written = 0;
    bool started = false;
    ~finish_mark() {
      if (observer && started) observer->table_finished(name, read.load(), written);
    }
  } finish{observer_, name, record_index_};
  try {
    if (agent_ && sql.empty() && !source.is_table_exist(name)) {
      tk_trace_w(3, u"Table %s not exists", name.c_str());
      console("Table " + tk_ucs2_to_ansi(name) + " not exists", true);
      if (observer_) observer_->error(name, 0, "Table " + tk_ucs2_to_ansi(name) + " not exists");
      ++errors_;
      return;
    }
    std::unique_ptr<udb_recordset> from =
        sql.empty() ? source.get_table(name, udb_database::kReadOnly)
                    : source.get_table(name, sql, udb_database::kReadOnly);

    const int32_t mode = conversion_mode;
    const auto fill = fill_only.find(name);
    const bool filling = fill != fill_only.end();
    if (!filling && destination.is_table_exist(target)) {
      tk_trace_w(2, u"Table %s already exists", target.c_str());
      if (mode < kOverwrite || mode > kSkip)
        throw tk_exception("Invalid merge/overwrite mode", 0);
      if (mode == kSkip) {
        tk_trace(2, "Skip existing table");
        if (observer_) observer_->table_skipped(name, target);
        return;
      }
      if (mode == kOverwrite) {
        try {
          destination.delete_tab(target);
        } catch (const ora_exception& e) {
          if (e.ora_number() == kOraResourceBusy)
            throw tk_exception("Cannot delete table because it is busy with another process", 0);
          throw;
        }
      }
    }

    std::unique_ptr<udb_recordset> to;
    if (filling) {
      // Opened as the run that made it would hold it.
      to = destination.get_table(
          target, fill->second.created ? ora_table::kWithIndexes : udb_database::kAppend);
    } else if (destination.is_table_exist(target)) {
      to = destination.get_table(target, udb_database::kAppend);
    } else {
      udb_indexes none;
      to = destination.create_table(target, from->schema(), skip_indexes ? none : from->indexes());
      for (const std::string& w : destination.take_warnings()) {
        tk_trace(3, "Warning: %s", w.c_str());
        console("Warning: " + w, false);
        if (observer_) observer_->warning(w);
      }
    }
    if (!filling && mode == kMerge && !from->schema().conform_to(to->schema()))
      throw tk_exception("The structure of data source does not conform to the destination table.",
                         0);

    if (target != current_name_) {
      tk_trace_w(2, u"Store generated table name '%s'", target.c_str());
      destination.names_map().add_tn_mapping(current_name_, target);
    }

    record_count_ = from->record_count();
    tk_trace_w(3, u"Converting table %s (%d records)", current_name_.c_str(),
               record_count_.load());
    console("Converting table " + tk_ucs2_to_ansi(current_name_) + "(" +
                std::to_string(record_count_.load()) + " records)",
            false);
    if (observer_) observer_->table_started(name, target, record_count_.load());
    finish.started = true;
    if (record_count_ == 0 || definitions_only) return;

    finish.written = copy_records(*from, *to);
    to.reset();
    // Identity values were copied as they are; new rows must get higher ones.
    // A split run's sequences belong to its first process, which does it.
    if (!filling) destination.continue_identity(target);
  } catch (const ora_exception& e) {
    error_handler::instance().set_context(current_name_);
    // Every further table would fail the same way: the run ends here.
    count_error(e.is_storage_failure() ? e.with_severity(1) : e);
  } catch (const tk_exception& e) {
    error_handler::instance().set_context(current_name_);
    count_error(e);
    // Rows already copied stay; the run is not a success.
    auto* source_error = dynamic_cast<const odb_exception*>(&e);
    if (source_error && source_error->connection_failed()) failed_ = true;
  }
}

namespace {

// TSL_BATCH_ROWS and TSL_BATCH_BYTES: how many records the destination
// stores per statement and commit. One row inserts and commits each record
// by itself.
size_t batch_setting(const char* name, size_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  unsigned long long n = std::strtoull(text, &end, 10);
  if (*end != '\0' || n == 0)
    throw tk_exception(std::string(name) + " must be a positive number", 0);
  return static_cast<size_t>(n);
}

}  // namespace

int64_t tessaly_convertor::copy_records(udb_recordset& source, udb_recordset& destination) {
  error_handler& errors = error_handler::instance();
  // Records handed to the destination; those it refuses later are taken off.
  int64_t written = 0;
  destination.set_batch(batch_setting("TSL_BATCH_ROWS", kBatchRows),
                        batch_setting("TSL_BATCH_BYTES", kBatchBytes));
  // Records the destination refused after queuing them: each is reported
  // under its own record number.
  auto report_failures = [&] {
    for (const udb_recordset::failure& f : destination.take_failures()) {
      const int32_t record = static_cast<int32_t>(f.tag) + 1;
      errors.set_context(current_name_, record);
      --written;
      try {
        std::rethrow_exception(f.error);
      } catch (const ora_exception& e) {
        count_error(e.is_storage_failure() ? e.with_severity(1) : e, record);
      } catch (const udb_record_exception& e) {
        count_error(e, record);
      }
    }
  };
  source.reset();
  try {
    written += copy_loop(source, destination, report_failures);
  } catch (...) {
    // The table or the run ends on this error. The records queued before it
    // are stored all the same, as one by one they would have been; what
    // cannot be stored now is traced, as nothing reports it any more.
    try {
      destination.flush();
    } catch (const tk_exception& e) {
      tk_trace(3, "Queued records of %s not stored: %s", tk_ucs2_to_ansi(current_name_).c_str(),
               e.message().c_str());
    }
    for (const udb_recordset::failure& f : destination.take_failures()) {
      try {
        std::rethrow_exception(f.error);
      } catch (const tk_exception& e) {
        tk_trace(3, "%s, record #%d not stored: %s", tk_ucs2_to_ansi(current_name_).c_str(),
                 static_cast<int>(f.tag) + 1, e.message().c_str());
      }
    }
    throw;
  }
  destination.flush();
  report_failures();
  return written;
}

int64_t tessaly_convertor::copy_loop(udb_recordset& source, udb_recordset& destination,
                                     const std::function<void()>& report_failures) {
  error_handler& errors = error_handler::instance();
  int64_t appended = 0;
  while (!source.is_eof()) {
    // A stop ends the table at a record boundary: every row inserted so far
    // is committed, and the identity still goes on above them.
    if (stop_requested()) break;
    tk_trace(1, "Converting %d record", record_index_.load());
    try {
      udb_record* record = source.get_item();
      destination.set_append_tag(record_index_);
      if (record) {
        destination.append_record(*record);
        ++appended;
      }
    } catch (const ora_exception& e) {
      errors.set_context(current_name_, record_index_ + 1);
      // One message, not one per remaining row.
      count_error(e.is_storage_failure() ? e.with_severity(1) : e, record_index_ + 1);
    } catch (const udb_record_exception& e) {
      errors.set_context(current_name_, record_index_ + 1);
      count_error(e, record_index_ + 1);
    }
    report_failures();
    source.next();
    // Only this thread writes it: a plain store is enough.
    record_index_.store(record_index_.load(std::memory_order_relaxed) + 1,
                        std::memory_order_relaxed);
  }
  return appended;
}

bool tessaly_convertor::load_profile(const std::string& path) {
  tk_trace(2, "tessaly_convertor::load_profile");
  udb_profile profile;
  if (!profile.read(path)) return false;
  udb_converter::load_profile(profile);
  std::u16string mode = profile.get(udb_profile::kGenericSettings, u"mode");
  if (mode.size() == 1) conversion_mode = mode[0] - u'0';
  oracle.load_profile(profile);
  mssql.load_profile(profile);
  std::u16string upper = profile.get(udb_profile::kOracleSettings, u"uppercase");
  if (!upper.empty()) uppercase = upper == u"1";
  return true;
}

bool tessaly_convertor::store_profile(const std::string& path) {
  tk_trace(2, "tessaly_convertor::store_profile");
  udb_profile profile;
  udb_converter::store_profile(profile);
  profile.put(udb_profile::kGenericSettings, u"mode",
              std::u16string(1, static_cast<char16_t>(u'0' + conversion_mode)));
  oracle.store_profile(profile);
  mssql.store_profile(profile);
  bool upper = oracle.database() ? oracle.database()->upper_case() : uppercase;
  profile.put(udb_profile::kOracleSettings, u"uppercase", upper ? u"1" : u"0");
  return profile.write(path);
}

bool tessaly_convertor::serialize(bool store) {
  tk_trace(1, "serialize( %d )", store ? 1 : 0);
  if (!registry_.is_open()) {
    registry_.open(tsl::registry::current_user, "Software\\Vendrel\\Tessaly");
    if (!registry_.is_open()) return false;
  }
  bool ok = true;
  uint32_t mode = static_cast<uint32_t>(conversion_mode);
  if (!store) {
    mode = 0;
    mssql.windows_authentication = true;
    skip_indexes = false;
    definitions_only = false;
    uppercase = true;
  }
  ok &= registry_.serialize("mode", mode, store);
  conversion_mode = static_cast<int32_t>(mode);
  ok &= registry_.serialize("mssqlh", mssql.host, store);
  ok &= registry_.serialize("mssqlp", mssql.password, store);
  ok &= registry_.serialize("mssqlu", mssql.user, store);
  ok &= registry_.serialize("oracleh", oracle.service, store);
  ok &= registry_.serialize("oraclep", oracle.password, store);
  ok &= registry_.serialize("oracleu", oracle.user, store);
  ok &= registry_.serialize("sec_log", mssql.windows_authentication, store);
  ok &= registry_.serialize("skip_idx", skip_indexes, store);
  ok &= registry_.serialize("src", database_name, store);
  ok &= registry_.serialize("tab_def", definitions_only, store);
  ok &= registry_.serialize("uppercase", uppercase, store);
  return ok;
}
