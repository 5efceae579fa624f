#pragma once
// The conversion driver: one run copies the selected tables and queries of
// an MS SQL database into the Oracle schema of the logged-on user.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_reg_key.h"
#include "common/mssql_converter_impl.h"
#include "common/oracle_converter_impl.h"
#include "common/udb_converter.h"

class mss_database;
class ora_tn_validator;
class run_observer;

// A single instance; a second one is an internal error. (The base's virtual
// destructor cannot raise, so the instance rule is kept here.)
class tessaly_convertor : public udb_converter {
 public:
  // What to do with a destination table that exists already.
  static constexpr int32_t kOverwrite = 0;
  static constexpr int32_t kMerge = 1;
  static constexpr int32_t kSkip = 2;

  tessaly_convertor();
  ~tessaly_convertor() noexcept override;

  static tessaly_convertor& instance();
  static tessaly_convertor* peek() { return instance_; }

  // The whole run; never lets an exception escape.
  int run() override { return (*this)(); }
  int operator()();

  bool test_query(const std::u16string& sql) override;

  bool load_profile(const std::string& path);
  bool store_profile(const std::string& path);
  // Loads (false) or stores (true) the settings kept between sessions.
  bool serialize(bool store);

  // The agent prints its console lines and converts every table when none
  // is selected.
  void set_agent(bool on) { agent_ = on; }
  // Not owned; while set, the agent's console lines give way to its events.
  void set_observer(run_observer* observer) { observer_ = observer; }

  // The destination name of each source name, in order, as a run gives
  // them: upper-cased if asked, then made acceptable and unique.
  static std::vector<std::u16string> destination_names(const std::vector<std::u16string>& sources,
                                                       bool uppercase, ora_tn_validator& names);
  // The last run itself was ended by an error or stopped: what was selected
  // was not all converted.
  bool failed() const { return failed_; }
  // Errors of the last run that it went on after: records and tables lost,
  // selected tables the source does not have.
  int errors() const { return errors_; }

  oracle_converter_impl oracle;
  mssql_converter_impl mssql;
  int32_t conversion_mode = kOverwrite;
  bool uppercase = false;
  // After every table is filled, the source's foreign keys between tables
  // of the run are created; a key that fails (orphaned rows) is an error of
  // the run. The agent never asks for it.
  bool foreign_keys = false;

  // A run split over processes: its first process creates every table
  // (definitions only); the others are each given some of them to fill, by
  // source name, with the destination the run gave it and whether the run
  // created it (opened with its keys) or appends to a table that was there.
  // Modes, creation and identity sequences are then the first process's.
  struct fill_target {
    std::u16string target;
    bool created = true;
  };
  std::map<std::u16string, fill_target> fill_only;
  // For the first process of a split run, after the others filled the
  // tables: the keys between the run's tables, read from the source again.
  void create_foreign_keys_now();

  // Records stored per statement and commit unless TSL_BATCH_ROWS and
  // TSL_BATCH_BYTES say otherwise; a killed run loses at most one batch.
  static constexpr size_t kBatchRows = 1000;
  static constexpr size_t kBatchBytes = 8u << 20;

 private:
  // Refuses the run when a selected query is not a single SELECT.
  void check_queries();
  void convert_all(mss_database& source, ora_database& destination);
  void convert_entry(mss_database& source, ora_database& destination, const std::u16string& name,
                     const std::u16string& sql, const std::u16string& target);
  void create_foreign_keys(mss_database& source, ora_database& destination);
  // Answers the rows the destination accepted.
  int64_t copy_records(udb_recordset& source, udb_recordset& destination);
  // The record loop of copy_records; refused queued records go to `report`.
  // Answers the records handed to the destination.
  int64_t copy_loop(udb_recordset& source, udb_recordset& destination,
                    const std::function<void()>& report);
  // Hands a recoverable error of the run to the policy and counts it.
  void count_error(const tk_exception& e, int32_t record = 0);
  void console(const std::string& line, bool to_error) const;

  tk_reg_key registry_;
  bool agent_ = false;
  run_observer* observer_ = nullptr;
  bool failed_ = false;
  int errors_ = 0;
  static inline bool running_ = false;
  static inline tessaly_convertor* instance_ = nullptr;
};
