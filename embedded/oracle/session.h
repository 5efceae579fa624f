#pragma once
// A logged-on user of an embedded Oracle database: runs statements with
// Oracle's transaction rules on its own connection to the database file.
//
// Transactions: the first DML statement opens one, COMMIT or ROLLBACK ends
// it; DDL commits before and after itself; logoff commits; a session that
// ends without logoff rolls back. Every statement is atomic: a failing one
// leaves the transaction as it was before it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "embedded/oracle/ast.h"
#include "embedded/oracle/catalog.h"
#include "embedded/oracle/database.h"
#include "embedded/oracle/result_set.h"
#include "embedded/oracle/sqlite_db.h"

namespace tsl::eora {

struct eval_context;
struct source;

class session {
 public:
  // Raises ORA-12154/12545/12541/12514 for the connect string and ORA-01017.
  static std::unique_ptr<session> logon(const std::string& connect, const std::string& user,
                                        const std::string& password);
  ~session();  // rolls back what was not committed
  session(const session&) = delete;
  session& operator=(const session&) = delete;

  // Commits and ends the session; further calls are errors.
  void logoff();

  stmt_ptr parse(std::string_view sql) const;
  // Runs a statement that is not a query.
  exec_result execute(statement& s, bool commit_on_success);
  // Runs a query to its end; rows are kept in the result.
  result_set query(select_stmt& s);
  // The select list of a query without running it.
  std::vector<result_column> describe(select_stmt& s);

  void commit();
  void rollback();

  // The values of the next statement's bind placeholders, by place; a place
  // without a value raises ORA-01008 when it is read.
  void set_binds(std::vector<std::optional<value>> values) { binds_ = std::move(values); }
  const value& bound_value(int place) const;

  // LOBs: offsets are 1-based, UTF-16 code units for CLOBs (as Oracle counts
  // them), bytes for BLOBs. A CLOB read as UTF-8 keeps a surrogate pair whole.
  std::string lob_read(const lob_ref& lob, uint64_t offset, uint64_t amount);
  std::u16string clob_read(const lob_ref& lob, uint64_t offset, uint64_t amount);
  uint64_t lob_length(const lob_ref& lob);
  // Writes from the offset, padding a gap with blanks or zero bytes.
  void lob_write(const lob_ref& lob, uint64_t offset, std::string_view data);

  const std::string& user() const { return user_; }
  const database_info& database() const { return info_; }
  // Limits of the milliseconds to wait for another session's lock: DML waits
  // up to `dml_ms`, DDL up to `ddl_ms` and then gives ORA-00054.
  void set_lock_waits(int dml_ms, int ddl_ms);

  // For the executor.
  catalog& dictionary() { return catalog_; }
  sqlite_conn& storage() { return db_; }
  value next_value(const std::string& sequence);
  value current_value(const std::string& sequence);
  // Opens the write transaction when none is open.
  void begin_write(bool ddl);
  static std::string rowid_text(int64_t object_id, int64_t row);
  // Raises ORA-01410 for text that is not a ROWID.
  static void parse_rowid(const std::string& text, int64_t& object_id, int64_t& row);

 private:
  session(database_info info, std::string user);
  void before_statement();
  exec_result run_ddl(statement& s);
  exec_result run_insert(insert_stmt& s);
  exec_result run_update(update_stmt& s);
  exec_result run_delete(delete_stmt& s);
  void create_table(create_table_stmt& s);
  void create_sequence(create_sequence_stmt& s);
  void create_index(create_index_stmt& s);
  void create_trigger(create_trigger_stmt& s, exec_result& r);
  void alter_add(alter_add_stmt& s);
  void alter_modify(alter_modify_stmt& s);
  void drop(drop_stmt& s);
  void add_constraint(table_info& t, const constraint_def& c);
  void add_column(table_info& t, const column_def& c, int id);
  void insert_row(table_info& t, std::vector<value>& values, exec_result& r);
  void fire_before_triggers(table_info& t, const std::string& event, std::vector<value>& values);
  void check_row(table_info& t, std::vector<value>& values);
  void check_foreign_keys(table_info& t, const std::vector<value>& values);
  void check_partial_keys(table_info& t, const std::vector<value>& values, int64_t own_row);
  table_info& table_for_dml(const std::string& name);
  [[noreturn]] void raise_unique(table_info& t, const std::string& message);

  database_info info_;
  std::string user_;
  sqlite_conn db_;
  catalog catalog_;
  bool in_write_ = false;
  bool ended_ = false;
  int dml_wait_ms_ = 60000;
  int ddl_wait_ms_ = 1000;
  std::map<std::string, decimal> currval_;
  std::vector<std::optional<value>> binds_;
  // Every DML statement opens and releases a savepoint: prepared once.
  sqlite_stmt savepoint_;
  sqlite_stmt release_;
  // The LOB read last, kept whole so that reading it in pieces does not
  // re-read it for every piece; any change of data forgets it.
  struct lob_cache {
    bool valid = false;
    lob_ref lob;
    std::string content;
    std::u16string wide;  // a CLOB's content in code units
    uint64_t length = 0;  // code units of a CLOB, bytes of a BLOB
  } cache_;
  lob_cache& load_lob(const lob_ref& lob);
  void forget_lob() { cache_.valid = false; }
};

}  // namespace tsl::eora
