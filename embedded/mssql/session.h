#pragma once
// One client connection to the server: the login, the current database and
// the session's settings. Runs T-SQL batches and answers catalogue requests.
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "embedded/mssql/ast.h"
#include "embedded/mssql/catalog_answers.h"
#include "embedded/mssql/datetime.h"
#include "embedded/mssql/select_compiler.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/sql_error.h"

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

  // Where a script's statement failed: the script lines (1-based) of its
  // batch and of the statement (the batch's when it did not parse).
  struct script_error {
    const sql_error& error;
    int batch_line;
    int line;
  };
  // Runs a script as sqlcmd does: an error ends its statement, or its batch
  // for the errors that end batches, and the script goes on unless on_error
  // returns false. The number of errors.
  int run_script(const std::string& script, const std::function<void(result_set&)>& on_result,
                 const std::function<bool(const script_error&)>& on_error);
  // The same, reading the script a batch at a time.
  int run_script(std::istream& script, const std::function<void(result_set&)>& on_result,
                 const std::function<bool(const script_error&)>& on_error);

  // Rows of a table named [owner].[table], owner.table or table; throws 208.
  std::unique_ptr<result_set> open_table(const std::string& name);
  std::unique_ptr<result_set> schema(schema_kind kind, const restrictions& r);

  // Runs one parsed statement; its result set, or nullptr when it has none.
  // RETURN and a GOTO that leaves the statement throw batch_jump: whoever
  // runs the batch's statements one by one ends the batch or goes on from
  // the label (labels_at finds it).
  std::unique_ptr<result_set> run(const statement& st);
  struct batch_jump {
    bool is_return = true;
    std::string label;  // GOTO: lower case
  };
  // The index of the statement after `label` among a batch's statements;
  // 40000 when the label is inside a block (a jump into one).
  static size_t label_index(const std::vector<statement>& stmts, const std::string& label);
  // Forgets the variables DECLAREd since the batch began; callers that run
  // statements one by one call it between batches.
  void end_batch() { forget_variables(); }
  // Receives the result sets of statements inside IF, WHILE and BEGIN ...
  // END as soon as each ran (run() then returns none for them); without
  // one, a block may give one result set and a loop none. Returns the
  // receiver it replaces.
  using result_sink = std::function<void(std::unique_ptr<result_set>)>;
  result_sink swap_result_sink(result_sink s) {
    std::swap(s, nested_results_);
    return s;
  }
  // Values for the @names of the statements run until unbind().
  void bind(parameters p) { params_ = std::move(p); }
  void unbind() { params_.clear(); }

  // SET TEXTSIZE: bytes of a text, ntext, image or (max) value a SELECT
  // returns; SET NOCOUNT: no row counts.
  static constexpr int64_t kDefaultTextSize = 4096;
  int64_t text_size() const { return text_size_; }
  void set_text_size(int64_t bytes) { text_size_ = bytes; }
  bool no_count() const { return no_count_; }
  void set_no_count(bool on) { no_count_ = on; }

  // Receives PRINT texts, RAISERROR messages under severity 11 and the
  // warnings about what the server keeps but does not run; may be empty.
  std::function<void(const std::string&)> on_message;

  // Rows touched by the last INSERT, UPDATE or DELETE.
  int64_t rows_affected() const { return rows_affected_; }

 private:
  void insert(const insert_stmt& ins);
  void update(const update_stmt& u);
  std::unique_ptr<result_set> exec(const exec_stmt& e);
  void require_admin() const;
  compile_context context();
  value column_default(const column_info& c);
  std::unique_ptr<result_set> run_statement(const statement& st);
  std::unique_ptr<result_set> run_list(const statement_list& list);
  bool condition(const expr& e);
  bool any_condition(const expr& e);
  // BREAK and CONTINUE leave the statements of a WHILE body this way.
  struct loop_control {
    bool is_break;
  };
  // A value of an expression without a table; subqueries allowed.
  value scalar(const expr& e, bool* unicode = nullptr);
  bool catalogue_exists(const select_stmt& s);
  bool object_exists(const std::string& name);
  bool name_exists(const std::string& name);
  void message(const std::string& text);
  void forget_variables();

  std::shared_ptr<server> server_;
  std::shared_ptr<database> db_;
  std::string user_;
  bool dbo_ = false;
  std::set<std::pair<std::string, int64_t>> identity_insert_;  // (database, table id)
  int64_t rows_affected_ = 0;
  parameters params_;
  std::vector<std::string> declared_;  // DECLAREd names among params_
  int64_t text_size_ = 2147483647;
  date_order date_order_ = date_order::mdy;  // SET DATEFORMAT
  bool no_count_ = false;
  int last_error_ = 0;  // @@ERROR: the last statement's error number
  int tran_count_ = 0;  // @@TRANCOUNT
  // Result sets of the statements inside IF and BEGIN ... END; when empty,
  // a block may give one result set, returned by run().
  std::function<void(std::unique_ptr<result_set>)> nested_results_;
  // The errors being handled by the CATCH blocks running now, innermost last.
  std::vector<sql_error> caught_;
};

}  // namespace tsl::mssql
