#pragma once
// The conversion driver: one run copies the selected tables and queries of
// an MS SQL database into the Oracle schema of the logged-on user.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_reg_key.h"
#include "common/mssql_converter_impl.h"
#include "common/oracle_converter_impl.h"
#include "common/udb_converter.h"

class mss_database;
class ora_tn_validator;

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

  // Records stored per statement and commit unless TSL_BATCH_ROWS and
  // TSL_BATCH_BYTES say otherwise; a killed run loses at most one batch.
  static constexpr size_t kBatchRows = 1000;
  static constexpr size_t kBatchBytes = 8u << 20;

 private:
  // Refuses the run when a selected query is not a single SELECT.
  void check_queries();
  void convert_all(mss_database& source, ora_database& destination);
  // The destination name of every entry, in the order of the entries.
  std::vector<std::u16string> destination_names(ora_tn_validator& names);
  void convert_entry(mss_database& source, ora_database& destination, const std::u16string& name,
                     const std::u16string& sql, const std::u16string& target);
  void copy_records(udb_recordset& source, udb_recordset& destination);
  // The record loop of copy_records; refused queued records go to `report`.
  void copy_loop(udb_recordset& source, udb_recordset& destination,
                 const std::function<void()>& report);
  // Hands a recoverable error of the run to the policy and counts it.
  void count_error(const tk_exception& e);
  void console(const std::string& line, bool to_error) const;

  tk_reg_key registry_;
  bool agent_ = false;
  bool failed_ = false;
  int errors_ = 0;
  static inline bool running_ = false;
  static inline tessaly_convertor* instance_ = nullptr;
};
