#pragma once
// One client connection to the server: the login, the current database and
// the session's settings. Runs T-SQL batches and answers catalogue requests.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "embedded/mssql/ast.h"
#include "embedded/mssql/catalog_answers.h"
#include "embedded/mssql/select_compiler.h"
#include "embedded/mssql/server.h"

namespace tsl::mssql {

struct login_request {
  bool integrated = false;
  std::string user, password;
  std::string initial_catalog;  // empty: the login's default database
};

class session {
 public:
  // Checks the login; throws sql_error 18456 (wrong login) or 4060 (the
  // initial database cannot be opened).
  session(std::shared_ptr<server> srv, const login_request& login);

  server& srv() { return *server_; }
  database& current() { return *db_; }
  const std::string& user() const { return user_; }
  // The administrator (integrated security or sa) works as dbo.
  bool is_dbo() const { return dbo_; }
  std::string default_schema() const;

  // Runs a batch; returns the result sets it produced, in order.
  std::vector<std::unique_ptr<result_set>> execute_all(const std::string& sql);
  // Runs a batch; the first result set, or nullptr when none.
  std::unique_ptr<result_set> execute(const std::string& sql);
  // Runs a script of batches separated by GO lines.
  std::vector<std::unique_ptr<result_set>> run_script(const std::string& script);
  // The same, handing each result set over as soon as its statement ran.
  void run_script(const std::string& script, const std::function<void(result_set&)>& on_result);

  // Rows of a table named [owner].[table], owner.table or table; throws 208.
  std::unique_ptr<result_set> open_table(const std::string& name);
  std::unique_ptr<result_set> schema(schema_kind kind, const restrictions& r);

  // Rows touched by the last INSERT.
  int64_t rows_affected() const { return rows_affected_; }

 private:
  std::unique_ptr<result_set> run(const statement& st);
  void insert(const insert_stmt& ins);
  void update(const update_stmt& u);
  std::unique_ptr<result_set> exec(const exec_stmt& e);
  void require_admin() const;
  compile_context context();
  value column_default(const column_info& c);

  std::shared_ptr<server> server_;
  std::shared_ptr<database> db_;
  std::string user_;
  bool dbo_ = false;
  std::set<std::pair<std::string, int64_t>> identity_insert_;  // (database, table id)
  int64_t rows_affected_ = 0;
};

}  // namespace tsl::mssql
