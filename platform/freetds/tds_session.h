#pragma once
// One connection through the client library: logs in, sends T-SQL batches
// and reads their rows in the provider's value forms.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/freetds/server_address.h"
#include "platform/oledb/field_value.h"
#include "platform/oledb/result_set.h"


namespace tsl::freetds {

struct tds_settings {
  server_address address;
  std::string user, password, database;
  bool integrated = false;
  enum class encryption { request, require, off } encrypt = encryption::request;
  bool verify_certificate = false;  // against the system's certificate authorities
  int login_timeout = 15;   // seconds
  int query_timeout = 600;  // seconds without an answer; 0: wait for ever
};

class tds_session {
 public:
  // Logs in; throws oledb::server_error with the server's records or the
  // client's "does not exist or access denied" record.
  static std::unique_ptr<tds_session> open(const tds_settings& s);
  ~tds_session();
  tds_session(const tds_session&) = delete;
  tds_session& operator=(const tds_session&) = delete;

  // Sends a batch and moves to its first result that has columns: true
  // when there is one (its columns are then in columns()), false when the
  // batch ran to its end without rows. Throws the first statement's error.
  bool run(const std::string& sql, int64_t* rows_affected = nullptr);
  const std::vector<oledb::result_column>& columns() const { return columns_; }
  // The next row of the current result; false at its end, after reading
  // the rest of the batch (whose errors it throws).
  bool next(std::vector<oledb::field_value>& row);
  // Drops what is left of the current request.
  void cancel();
  // Whether the connection still works and has no request pending.
  bool reusable() const;

 private:
  struct reader {
    int client_type;  // the library's type of the value in memory
    oledb::column_type type;
  };
  explicit tds_session(void* proc) : proc_(proc) {}
  void describe();
  void read(size_t column, oledb::field_value& out);
  void drain();

  void* proc_;  // DBPROCESS
  bool pending_ = false;
  std::vector<oledb::result_column> columns_;
  std::vector<reader> readers_;
  std::string scratch_;
};

}  // namespace tsl::freetds
