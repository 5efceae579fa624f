#pragma once
// The conversion driver: one run copies the selected tables and queries of
// an MS SQL database into the Oracle schema of the logged-on user.
#include <cstdint>
#include <memory>
#include <string>

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
  // The last run was ended by an unexpected error (not a tk_exception).
  bool failed() const { return failed_; }

  oracle_converter_impl oracle;
  mssql_converter_impl mssql;
  int32_t conversion_mode = kOverwrite;
  bool uppercase = false;

 private:
  void convert_all(mss_database& source, ora_database& destination);
  void convert_entry(mss_database& source, ora_database& destination, ora_tn_validator& names,
                     const std::u16string& name, const std::u16string& sql);
  void copy_records(udb_recordset& source, udb_recordset& destination);
  void console(const std::string& line, bool to_error) const;

  tk_reg_key registry_;
  bool agent_ = false;
  bool failed_ = false;
  static inline bool running_ = false;
  static inline tessaly_convertor* instance_ = nullptr;
};
