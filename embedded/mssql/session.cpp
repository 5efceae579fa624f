#include "embedded/mssql/session.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/lexer.h"
#include "embedded/mssql/parser.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql/storage_result.h"

namespace tsl::mssql {
namespace {

std::string local_account() {
  if (passwd* pw = getpwuid(getuid())) return pw->pw_name;
  return "local";
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// An identity value given as text (a decimal identity column); the counter
// is a bigint, as the server's is for every identity type it can continue.
int64_t identity_value(const std::string& text) {
  int64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || (end != text.data() + text.size() && *end != '.'))
    throw err::overflow("bigint");
  return v;
}

// A variable's value as a literal of its type would give it.
value literal_form(const value& v, const sql_type& t) {
  if (v.is_null()) return v;
  switch (t.id) {
    case type_id::money:
    case type_id::smallmoney:
    case type_id::decimal:
    case type_id::numeric:
      return value::of_number(text_form(v, t));
    default:
      return v;
  }
}

// System procedures of scripts that change nothing the server models:
// options, owners, extended properties, full-text, users and roles.
bool no_effect_procedure(const std::string& proc) {
  static const char* const kProcs[] = {"sp_dboption",
                                       "sp_configure",
                                       "sp_addextendedproperty",
                                       "sp_updateextendedproperty",
                                       "sp_dropextendedproperty",
                                       "sp_changedbowner",
                                       "sp_fulltext_database",
                                       "sp_addrolemember",
                                       "sp_droprolemember",
                                       "sp_grantdbaccess",
                                       "sp_revokedbaccess",
                                       "sp_adduser",
                                       "sp_dropuser",
                                       "sp_settriggerorder",
                                       "sp_refreshview",
                                       "sp_recompile",
                                       "sp_db_vardecimal_storage_format",
                                       "sp_bindrule",
                                       "sp_unbindrule",
                                       "sp_addrole",
                                       "sp_droprole",
                                       "sp_changeobjectowner",
                                       "sp_updatestats",
                                       "sp_dbcmptlevel",
                                       "sp_tableoption",
                                       "sp_indexoption",
                                       "sp_autostats",
                                       "sp_createstats",
                                       "sp_defaultdb",
                                       "sp_defaultlanguage"};
  for (const char* p : kProcs)
    if (proc == p) return true;
  return false;
}

// The name of a table as the server writes it in messages: db.schema.table.
std::string full_name(const database& db, const table_info& t) {
  return db.name() + "." + t.schema + "." + t.name;
}

}  // namespace

session::session(std::shared_ptr<server> srv, const login_request& login)
    : server_(std::move(srv)) {
  if (login.integrated) {
    if (!server_->trusts_local_account())
      throw err::login_failed("(null)").also(error_record{
          18452, 14, 1, "42000",
          "Login failed. The login is from an untrusted domain and cannot be used with Windows "
          "authentication."});
    user_ = local_account();
    dbo_ = true;
  } else {
    if (!server_->check_login(login.user, login.password)) throw err::login_failed(login.user);
    user_ = login.user;
    dbo_ = iequals(login.user, "sa");
  }
  std::string db = login.initial_catalog.empty()
                       ? (login.integrated ? "master" : server_->default_database(login.user))
                       : login.initial_catalog;
  try {
    db_ = server_->open_database(db);
  } catch (const sql_error& e) {
    const error_record refused{4060, 11, 1, "42000",
                               "Cannot open database \"" + db +
                                   "\" requested by the login. The login failed."};
    const error_record login{18456, 14, 1, "28000", "Login failed for user '" + user_ + "'."};
    if (e.number() == 911) throw sql_error(err::kFail, refused).also(login);
    // The database is there but its storage cannot be read: a damaged
    // database, not a missing one.
    throw sql_error(err::kFail,
                    error_record{926, 14, 1, "HY000",
                                 "Database '" + db +
                                     "' cannot be opened. It has been marked SUSPECT by recovery. "
                                     "See the SQL Server errorlog for more information."})
        .also(refused)
        .also(login);
  }
}

std::string session::default_schema() const {
  if (dbo_) return "dbo";
  return db_->has_schema(user_) ? user_ : "dbo";
}

compile_context session::context() {
  compile_context c;
  c.db = db_.get();
  c.default_schema = default_schema();
  c.version = server_->version();
  c.server_name = "TESSALY";
  c.params = &params_;
  c.caught = caught_.empty() ? nullptr : &caught_.back();
  c.last_error = last_error_;
  c.tran_count = tran_count_;
  c.database_names = [srv = server_] { return srv->database_names(); };
  std::shared_ptr<server> srv = server_;
  c.other_db = [srv](const std::string& name) -> database* {
    try {
      return srv->open_database(name).get();
    } catch (const sql_error&) {
      return nullptr;
    }
  };
  return c;
}

void session::require_admin() const {
  if (!dbo_) throw err::generic(262, "Permission denied in database '" + db_->name() + "'.", 14);
}

std::vector<std::unique_ptr<result_set>> session::execute_all(const std::string& sql) {
  std::vector<std::unique_ptr<result_set>> out;
  auto saved = nested_results_;
  nested_results_ = [&](std::unique_ptr<result_set> r) { out.push_back(std::move(r)); };
  struct restore {
    session& s;
    std::function<void(std::unique_ptr<result_set>)> saved;
    ~restore() { s.nested_results_ = std::move(saved); }
  } restore_on_exit{*this, saved};
  const std::vector<statement> stmts = parse_batch(sql);
  for (size_t i = 0; i < stmts.size(); ++i) {
    try {
      if (auto r = run(stmts[i])) out.push_back(std::move(r));
    } catch (const batch_jump& j) {
      if (j.is_return) break;
      i = label_index(stmts, j.label) - 1;
    }
  }
  return out;
}

std::unique_ptr<result_set> session::execute(const std::string& sql) {
  auto all = execute_all(sql);
  if (all.empty()) return nullptr;
  return std::move(all.front());
}

std::vector<std::unique_ptr<result_set>> session::run_script(const std::string& script) {
  std::vector<std::unique_ptr<result_set>> out;
  struct forget {
    session& s;
    ~forget() { s.forget_variables(); }
  } variables_end{*this};
  for (const auto& batch : split_batches(script)) {
    forget_variables();  // variables live for one batch
    for (auto& r : execute_all(batch)) out.push_back(std::move(r));
  }
  return out;
}

void session::run_script(const std::string& script,
                         const std::function<void(result_set&)>& on_result) {
  run_script(script, on_result, [](const script_error& e) -> bool { throw e.error; });
}

int session::run_script(const std::string& script,
                        const std::function<void(result_set&)>& on_result,
                        const std::function<bool(const script_error&)>& on_error) {
  std::istringstream in(script);
  return run_script(in, on_result, on_error);
}

int session::run_script(std::istream& script, const std::function<void(result_set&)>& on_result,
                        const std::function<bool(const script_error&)>& on_error) {
  int errors = 0;
  auto saved = nested_results_;
  nested_results_ = [&](std::unique_ptr<result_set> r) { on_result(*r); };
  struct restore {
    session& s;
    std::function<void(std::unique_ptr<result_set>)> saved;
    ~restore() {
      s.nested_results_ = std::move(saved);
      s.forget_variables();
    }
  } restore_on_exit{*this, saved};
  // False when on_error asks to stop.
  auto run_batch = [&](const script_batch& batch) {
    for (int round = 0; round < batch.repeat; ++round) {
      forget_variables();  // variables live for one batch
      std::vector<statement> stmts;
      std::vector<size_t> starts;
      try {
        stmts = parse_batch(batch.text, &starts);
      } catch (const sql_error& e) {
        // A batch that does not parse runs nothing.
        ++errors;
        return on_error({e, batch.first_line, batch.first_line});
      }
      for (size_t i = 0; i < stmts.size(); ++i) {
        try {
          if (auto r = run(stmts[i])) on_result(*r);
        } catch (const batch_jump& j) {
          if (j.is_return) break;
          try {
            i = label_index(stmts, j.label) - 1;
          } catch (const sql_error& e) {
            ++errors;
            const int line = batch.first_line - 1 + line_of(batch.text, starts[i]);
            if (!on_error({e, batch.first_line, line})) return false;
            break;
          }
        } catch (const sql_error& e) {
          ++errors;
          const int line = batch.first_line - 1 + line_of(batch.text, starts[i]);
          if (!on_error({e, batch.first_line, line})) return false;
          if (ends_batch(e.number())) break;
        }
      }
    }
    return true;
  };
  script_splitter splitter;
  std::string line;
  while (std::getline(script, line)) {
    std::optional<script_batch> b;
    try {
      b = splitter.add_line(line);
    } catch (const sql_error& e) {
      ++errors;
      if (!on_error({e, 1, 1})) return errors;
      continue;
    }
    if (b && !run_batch(*b)) return errors;
  }
  if (auto b = splitter.finish()) run_batch(*b);
  return errors;
}

std::unique_ptr<result_set> session::run(const statement& st) {
  try {
    auto r = run_statement(st);
    last_error_ = 0;
    return r;
  } catch (const sql_error& e) {
    last_error_ = e.number();
    throw;
  }
}

size_t session::label_index(const std::vector<statement>& stmts, const std::string& label) {
  for (size_t i = 0; i < stmts.size(); ++i)
    if (auto* l = std::get_if<label_stmt>(&stmts[i]); l && l->label == label) return i + 1;
  throw err::generic(40000, "A GOTO into a block is not supported by this server yet.");
}

std::unique_ptr<result_set> session::run_statement(const statement& st) {
  // Statements read and change the catalogue: one at a time per database.
  std::shared_ptr<database> current = db_;
  std::lock_guard<std::recursive_mutex> lock(current->mutex());
  date_order_scope dates(date_order_);
  if (auto* s = std::get_if<select_stmt>(&st)) {
    compile_context ctx = context();
    compiled_select c = compile_select(*s, ctx);
    return std::make_unique<storage_result>(*db_, c.sql, std::move(c.columns));
  }
  if (auto* s = std::get_if<insert_stmt>(&st)) {
    insert(*s);
    return nullptr;
  }
  if (auto* s = std::get_if<exec_stmt>(&st)) return exec(*s);
  if (auto* s = std::get_if<use_stmt>(&st)) {
    db_ = server_->open_database(s->db);
    return nullptr;
  }
  if (auto* s = std::get_if<create_database_stmt>(&st)) {
    require_admin();
    server_->create_database(s->name);
    return nullptr;
  }
  if (auto* s = std::get_if<create_table_stmt>(&st)) {
    if (!s->name.db.empty() && !iequals(s->name.db, db_->name()))
      throw err::generic(2702, "Database '" + s->name.db + "' does not exist.");
    db_->create_table(*s, default_schema());
    return nullptr;
  }
  if (auto* s = std::get_if<if_stmt>(&st)) {
    if (condition(*s->cond)) return run_list(*s->then_branch);
    if (s->else_branch) return run_list(*s->else_branch);
    return nullptr;
  }
  if (auto* s = std::get_if<block_stmt>(&st)) return run_list(*s->body);
  if (auto* s = std::get_if<while_stmt>(&st)) {
    while (condition(*s->cond)) {
      try {
        if (auto r = run_list(*s->body)) {
          if (!nested_results_)
            throw err::generic(40000,
                               "A result set from inside WHILE is not supported by this "
                               "server yet.");
          nested_results_(std::move(r));
        }
      } catch (const loop_control& c) {
        if (c.is_break) break;
      }
    }
    return nullptr;
  }
  if (auto* s = std::get_if<loop_control_stmt>(&st)) throw loop_control{s->is_break};
  if (auto* s = std::get_if<return_stmt>(&st)) {
    if (s->value) (void)scalar(*s->value);
    throw batch_jump{true, {}};
  }
  if (auto* s = std::get_if<goto_stmt>(&st)) throw batch_jump{false, s->label};
  if (std::holds_alternative<label_stmt>(st)) return nullptr;
  if (auto* s = std::get_if<transaction_stmt>(&st)) {
    switch (s->k) {
      case transaction_stmt::kind::begin:
        ++tran_count_;
        break;
      case transaction_stmt::kind::commit:
        if (tran_count_ == 0)
          throw err::generic(3902,
                             "The COMMIT TRANSACTION request has no corresponding BEGIN "
                             "TRANSACTION.");
        --tran_count_;
        break;
      case transaction_stmt::kind::rollback:
        if (tran_count_ == 0)
          throw err::generic(3903,
                             "The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                             "TRANSACTION.");
        // Each statement has already committed: saying the work was undone
        // would lose the caller's reason to look at it.
        tran_count_ = 0;
        throw err::generic(40000,
                           "ROLLBACK cannot undo the statements run since BEGIN TRANSACTION: "
                           "this server commits each statement on its own.");
    }
    return nullptr;
  }
  if (auto* s = std::get_if<try_catch_stmt>(&st)) {
    try {
      return run_list(*s->body);
    } catch (const sql_error& e) {
      // Messages under severity 11 are not errors and never reach here.
      caught_.push_back(e);
      struct pop {
        std::vector<sql_error>& c;
        ~pop() { c.pop_back(); }
      } leave{caught_};
      return run_list(*s->handler);
    }
  }
  if (auto* s = std::get_if<declare_stmt>(&st)) {
    compile_context ctx = context();
    for (const auto& v : s->vars) {
      if (params_.count(v.name))
        throw err::generic(134,
                           "The variable name '" + v.name +
                               "' has already been declared. Variable names must be unique "
                               "within a query batch or stored procedure.",
                           15);
      parameter p;
      p.type = v.type;
      p.unicode = is_unicode(v.type.id);
      params_[v.name] = p;
      declared_.push_back(v.name);
      if (v.init) {
        set_variable_stmt init;
        init.name = v.name;
        bool unicode = false;
        value x = scalar(*v.init, &unicode);
        params_[v.name].v = literal_form(convert_to(x, v.type, unicode), v.type);
      }
    }
    return nullptr;
  }
  if (auto* s = std::get_if<set_variable_stmt>(&st)) {
    auto it = params_.find(s->name);
    if (it == params_.end())
      throw err::generic(137, "Must declare the scalar variable \"" + s->name + "\".", 15);
    bool unicode = false;
    value x = scalar(*s->e, &unicode);
    it->second.v = literal_form(convert_to(x, *it->second.type, unicode), *it->second.type);
    return nullptr;
  }
  if (auto* s = std::get_if<print_stmt>(&st)) {
    value v = scalar(*s->e);
    message(v.is_null() ? "" : v.k == value::kind::integer ? std::to_string(v.i) : v.s);
    return nullptr;
  }
  if (auto* s = std::get_if<raiserror_stmt>(&st)) {
    compile_context ctx = context();
    value msg = scalar(*s->args[0]);
    value sev = evaluate_constant(*s->args[1], ctx);
    value state = evaluate_constant(*s->args[2], ctx);
    std::string text = msg.k == value::kind::integer ? std::to_string(msg.i) : msg.s;
    // printf-style arguments: %s, %d, %i and %u take the next argument.
    std::string out;
    size_t next = 3;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '%' && i + 1 < text.size()) {
        size_t j = i + 1;
        while (j < text.size() &&
               std::string_view("-+ #0123456789.").find(text[j]) != std::string_view::npos)
          ++j;
        if (j < text.size() && std::string_view("sdiuxX").find(text[j]) != std::string_view::npos) {
          if (next < s->args.size()) {
            value a = scalar(*s->args[next++]);
            out += a.is_null() ? "(null)" : a.k == value::kind::integer ? std::to_string(a.i) : a.s;
          }
          i = j;
          continue;
        }
        if (text[j] == '%') {
          out += '%';
          i = j;
          continue;
        }
      }
      out += text[i];
    }
    const int64_t severity = sev.k == value::kind::integer ? sev.i : std::atoll(sev.s.c_str());
    if (severity <= 10) {
      message(out);
      return nullptr;
    }
    const int32_t st_no = static_cast<int32_t>(state.k == value::kind::integer ? state.i : 1);
    throw sql_error(err::kErrorsInCommand,
                    error_record{50000, static_cast<int32_t>(std::min<int64_t>(severity, 18)),
                                 st_no, "42000", out});
  }
  if (std::get_if<no_effect_stmt>(&st)) return nullptr;
  if (auto* s = std::get_if<create_module_stmt>(&st)) {
    db_->create_module(*s, default_schema());
    std::string kind = lower(s->kind);
    kind[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(kind[0])));
    message("Warning: " + kind + " '" + s->name.text() +
            "' is kept in the catalogue but this server does not run it.");
    return nullptr;
  }
  if (auto* s = std::get_if<create_type_stmt>(&st)) {
    db_->create_type(*s, default_schema());
    return nullptr;
  }
  if (auto* s = std::get_if<drop_object_stmt>(&st)) {
    bool dropped = false;
    if (s->kind == "TYPE") {
      dropped = db_->drop_type(s->name, default_schema());
      if (!dropped && !s->if_exists)
        throw err::generic(218, "Could not find the type '" + s->name.text() +
                                    "' because it does not exist or you do not have permission.");
      return nullptr;
    }
    if (s->kind == "INDEX") {
      compile_context ctx = context();
      database* owner = nullptr;
      table_info* t = nullptr;
      try {
        t = &resolve_table(*s->table, ctx, &owner);
      } catch (const sql_error& e) {
        if (e.number() != 208 || !s->if_exists) throw;
        return nullptr;
      }
      if (!owner->drop_index(*t, s->name.name) && !s->if_exists)
        throw err::generic(3701,
                           "Cannot drop the index '" + s->table->text() + "." + s->name.name +
                               "', because it does not exist or you do not have permission.",
                           11, "42S02");
      return nullptr;
    }
    dropped = db_->drop_module(s->kind, s->name, default_schema());
    if (!dropped && !s->if_exists)
      throw err::generic(3701,
                         "Cannot drop the " + lower(s->kind) + " '" + s->name.text() +
                             "', because it does not exist or you do not have permission.",
                         11, "42S02");
    return nullptr;
  }
  if (auto* s = std::get_if<alter_table_stmt>(&st)) {
    compile_context ctx = context();
    database* owner = nullptr;
    table_info& t = resolve_table(s->table, ctx, &owner);
    owner->alter_table(*s, t, default_schema(),
                       [this](const column_info& c) { return column_default(c); });
    return nullptr;
  }
  if (auto* s = std::get_if<create_index_stmt>(&st)) {
    compile_context ctx = context();
    db_->create_index(*s, resolve_table(s->table, ctx));
    return nullptr;
  }
  if (auto* s = std::get_if<create_schema_stmt>(&st)) {
    require_admin();
    db_->create_schema(s->name);
    return nullptr;
  }
  if (auto* s = std::get_if<create_login_stmt>(&st)) {
    if (!dbo_) throw err::generic(15247, "User does not have permission to perform this action.");
    server_->add_login(s->name, s->password, s->default_db.empty() ? "master" : s->default_db);
    return nullptr;
  }
  if (auto* s = std::get_if<drop_table_stmt>(&st)) {
    compile_context ctx = context();
    try {
      db_->drop_table(resolve_table(s->name, ctx));
    } catch (const sql_error& e) {
      if (e.number() != 208) throw;
      if (s->if_exists) return nullptr;
      throw err::generic(3701,
                         "Cannot drop the table '" + s->name.text() +
                             "', because it does not exist or you do not have permission.",
                         11, "42S02");
    }
    return nullptr;
  }
  if (auto* s = std::get_if<set_identity_insert_stmt>(&st)) {
    compile_context ctx = context();
    table_info& t = resolve_table(s->table, ctx);
    if (t.identity_column() < 0)
      throw err::generic(8106, "Table '" + t.qualified() +
                                   "' does not have the identity property. Cannot perform SET "
                                   "operation.");
    auto key = std::make_pair(lower(db_->name()), t.id);
    if (s->on) {
      // One table at a time per session, as the server allows.
      if (!identity_insert_.empty() && !identity_insert_.count(key))
        throw err::generic(8107, "IDENTITY_INSERT is already ON for table '" + db_->name() + "." +
                                     t.qualified() + "'. Cannot perform SET operation for table '" +
                                     t.name + "'.");
      identity_insert_.insert(key);
    } else {
      identity_insert_.erase(key);
    }
    return nullptr;
  }
  if (auto* s = std::get_if<set_option_stmt>(&st)) {
    if (s->option == "nocount") no_count_ = s->setting == "on";
    if (s->option == "dateformat") {
      std::optional<date_order> o = date_order_named(s->setting);
      if (!o)
        throw err::generic(2741, "SET DATEFORMAT date order '" + s->setting + "' is invalid.");
      date_order_ = *o;
    }
    if (s->option == "textsize") {
      char* end = nullptr;
      long long n = std::strtoll(s->setting.c_str(), &end, 10);
      if (end == s->setting.c_str() || *end) throw err::syntax_near(s->setting);
      // 0 (or less) restores the default; the largest is 2 GB - 1.
      text_size_ = n <= 0 ? kDefaultTextSize : std::min<long long>(n, 2147483647LL);
    }
    return nullptr;
  }
  if (auto* s = std::get_if<delete_stmt>(&st)) {
    compile_context ctx = context();
    database* owner = nullptr;
    table_info& t = resolve_table(s->table, ctx, &owner);
    compiled_select ids = compile_row_query(s->table, {}, s->where.get(), ctx);
    rows_affected_ = owner->delete_rows(t, ids.sql);
    return nullptr;
  }
  if (auto* s = std::get_if<update_stmt>(&st)) {
    update(*s);
    return nullptr;
  }
  throw err::generic(40000, "This statement is not supported by this server yet.");
}

namespace {
bool has_subquery(const expr& e) {
  if (e.k == expr::kind::subquery) return true;
  for (const auto& a : e.args)
    if (a && has_subquery(*a)) return true;
  return false;
}
}  // namespace

namespace {
bool has_column(const expr& e) {
  if (e.k == expr::kind::column) return true;
  for (const auto& a : e.args)
    if (a && has_column(*a)) return true;
  return false;
}
}  // namespace

value session::scalar(const expr& e, bool* unicode) {
  compile_context ctx = context();
  if (!has_subquery(e)) {
    if (!has_column(e)) {
      // Arithmetic and functions over variables are left to the query
      // compiler when the quick evaluation cannot take them.
      try {
        return evaluate_constant(e, ctx, unicode);
      } catch (const sql_error& x) {
        if (x.number() != 1046 && x.number() != 128) throw;
      }
    } else {
      return evaluate_constant(e, ctx, unicode);
    }
  }
  // Subqueries need the query compiler: the expression is lent to a
  // SELECT without FROM for as long as it compiles.
  select_stmt q;
  q.items.emplace_back();
  q.items[0].e.reset(const_cast<expr*>(&e));
  struct give_back {
    select_stmt& q;
    ~give_back() { (void)q.items[0].e.release(); }
  } lent{q};
  const bool alone = e.k == expr::kind::subquery && e.op.empty();
  compiled_select c = alone ? compile_select(*e.sub, ctx) : compile_select(q, ctx);
  storage_result r(*db_, c.sql, c.columns);
  std::vector<value> row;
  if (!r.next(row) || row.empty()) return value::null();
  std::vector<value> more;
  if (alone && r.next(more))
    throw err::generic(512,
                       "Subquery returned more than 1 value. This is not permitted when the "
                       "subquery follows =, !=, <, <= , >, >= or when the subquery is used "
                       "as an expression.");
  value x = row[0];
  const sql_type& t = c.columns[0].type;
  if (!x.is_null() && (t.id == type_id::money || t.id == type_id::smallmoney ||
                       t.id == type_id::decimal || t.id == type_id::numeric))
    x = value::of_number(text_form(x, t));
  if (unicode) *unicode = is_unicode(t.id);
  return x;
}

void session::forget_variables() {
  for (const auto& name : declared_) params_.erase(name);
  declared_.clear();
}

void session::message(const std::string& text) {
  if (on_message) on_message(text);
}

std::unique_ptr<result_set> session::run_list(const statement_list& list) {
  std::unique_ptr<result_set> last;
  for (size_t i = 0; i < list.items.size(); ++i) {
    std::unique_ptr<result_set> r;
    try {
      r = run(list.items[i]);
    } catch (const batch_jump& j) {
      // A label of this block takes the jump; others belong further out.
      auto at = std::find_if(list.items.begin(), list.items.end(), [&](const statement& s) {
        auto* l = std::get_if<label_stmt>(&s);
        return l && !j.is_return && l->label == j.label;
      });
      if (at == list.items.end()) throw;
      i = static_cast<size_t>(at - list.items.begin());
      continue;
    }
    if (!r) continue;
    if (nested_results_) {
      nested_results_(std::move(r));
      continue;
    }
    if (last)
      throw err::generic(40000,
                         "More than one result set from IF or BEGIN ... END is not "
                         "supported by this server yet.");
    last = std::move(r);
  }
  return last;
}

// The catalogue views (sys.objects, sys.tables, sysobjects,
// INFORMATION_SCHEMA.TABLES, ...) are not tables here. EXISTS over one of
// them is answered from the names its filter asks about: every
// OBJECT_ID('...') and every name compared with a name column must exist.
bool session::catalogue_exists(const select_stmt& s) {
  const auto& t = *s.from[0].table;
  const std::string view = lower(t.name);
  std::vector<std::string> objects, names;
  std::function<void(const expr&)> walk = [&](const expr& e) {
    if (e.k == expr::kind::func && e.op == "object_id" && !e.args.empty() && e.args[0] &&
        e.args[0]->k == expr::kind::literal)
      objects.push_back(e.args[0]->lit.s);
    if (e.k == expr::kind::binary && e.op == "=" && e.args.size() == 2) {
      for (int side = 0; side < 2; ++side) {
        const expr& col = *e.args[static_cast<size_t>(side)];
        const expr& lit = *e.args[static_cast<size_t>(1 - side)];
        if (col.k == expr::kind::column && lit.k == expr::kind::literal && !lit.lit.is_null()) {
          const std::string c = lower(col.names.back());
          if (c == "name" || c == "table_name" || c == "constraint_name" || c == "routine_name" ||
              c == "column_name" || c == "specific_name")
            names.push_back(lit.lit.s);
        }
      }
    }
    for (const auto& a : e.args)
      if (a) walk(*a);
  };
  if (s.where) walk(*s.where);
  for (const auto& o : objects)
    if (!object_exists(o)) return false;
  for (const auto& n : names) {
    if (view == "databases" || view == "sysdatabases") {
      if (!server_->has_database(n)) return false;
    } else if (!name_exists(n)) {
      return false;
    }
  }
  if (objects.empty() && names.empty())
    throw err::generic(
        40000, "The catalogue view '" + t.text() + "' is answered here only for named objects.");
  return true;
}

bool session::object_exists(const std::string& text) {
  auto stmts = parse_batch("DROP VIEW " + text);
  if (stmts.size() != 1) return false;
  object_name n = std::get<drop_object_stmt>(stmts.front()).name;
  database* db = db_.get();
  if (!n.db.empty()) {
    if (!server_->has_database(n.db)) return false;
    db = server_->open_database(n.db).get();
  }
  std::vector<std::string> schemas;
  if (!n.schema.empty())
    schemas.push_back(n.schema);
  else
    schemas = {default_schema(), "dbo"};
  for (const auto& schema : schemas) {
    if (db->find_table(schema, n.name) || db->find_module(schema, n.name)) return true;
    for (const auto& t : db->tables()) {
      if (!iequals(t->schema, schema)) continue;
      for (const auto& ix : t->indexes)
        if (ix.constraint && iequals(ix.name, n.name)) return true;
      for (const auto& fk : t->foreign_keys)
        if (iequals(fk.name, n.name)) return true;
      for (const auto& ck : t->checks)
        if (iequals(ck.name, n.name)) return true;
      for (const auto& c : t->columns)
        if (c.default_text && iequals(c.default_name, n.name)) return true;
    }
  }
  return false;
}

bool session::name_exists(const std::string& name) {
  if (object_exists("[" + name + "]")) return true;
  for (const auto& t : db_->tables()) {
    if (iequals(t->name, name)) return true;
    for (const auto& ix : t->indexes)
      if (iequals(ix.name, name)) return true;
    for (const auto& c : t->columns)
      if (iequals(c.name, name)) return true;
  }
  for (const auto& m : db_->modules())
    if (iequals(m.name, name)) return true;
  return db_->find_type(default_schema(), name) || db_->find_type("dbo", name);
}

bool session::condition(const expr& e) {
  if (e.k == expr::kind::binary && (e.op == "AND" || e.op == "OR")) {
    const bool a = condition(*e.args[0]);
    if (e.op == "AND" ? !a : a) return a;
    return condition(*e.args[1]);
  }
  if (e.k == expr::kind::unary && e.op == "NOT") return !condition(*e.args[0]);
  compile_context ctx = context();
  if (e.k == expr::kind::subquery && e.op == "exists") {
    const select_stmt& q = *e.sub;
    if (q.from.size() == 1 && q.from[0].table && q.from[0].joins.empty()) {
      const object_name& t = *q.from[0].table;
      const bool system = iequals(t.schema, "sys") || iequals(t.schema, "INFORMATION_SCHEMA") ||
                          (lower(t.name).rfind("sys", 0) == 0 && !db_->find_table("dbo", t.name) &&
                           (t.schema.empty() || iequals(t.schema, "dbo")));
      if (system) return catalogue_exists(q);
    }
    compiled_select c = compile_select(q, ctx);
    storage_result r(*db_, c.sql, c.columns);
    std::vector<value> row;
    return r.next(row);
  }
  if (e.k == expr::kind::is_null && e.args.size() == 1 && e.args[0]->k == expr::kind::func &&
      !e.args[0]->args.empty() && e.args[0]->args[0]) {
    const expr& f = *e.args[0];
    value arg = evaluate_constant(*f.args[0], ctx);
    bool found = false;
    if (f.op == "object_id")
      found = !arg.is_null() && object_exists(arg.s);
    else if (f.op == "db_id")
      found = !arg.is_null() && server_->has_database(arg.s);
    else if (f.op == "type_id")
      found = !arg.is_null() && name_exists(arg.s);
    else
      return any_condition(e);
    return e.negated ? found : !found;
  }
  return any_condition(e);
}

// Any other condition is asked of the query compiler: variables,
// comparisons, functions, subqueries over tables.
bool session::any_condition(const expr& e) {
  select_stmt q;
  auto test = std::make_unique<expr>();
  test->k = expr::kind::case_when;
  test->args.push_back(nullptr);
  test->args.emplace_back(const_cast<expr*>(&e));  // lent for as long as it compiles
  struct give_back {
    expr& t;
    ~give_back() { (void)t.args[1].release(); }
  } lent{*test};
  auto one = std::make_unique<expr>();
  one->lit = value::of_int(1);
  test->args.push_back(std::move(one));
  auto zero = std::make_unique<expr>();
  zero->lit = value::of_int(0);
  test->args.push_back(std::move(zero));
  q.items.emplace_back();
  q.items[0].e = std::move(test);
  compiled_select c = compile_select(q, context());
  storage_result r(*db_, c.sql, c.columns);
  std::vector<value> row;
  return r.next(row) && !row.empty() && row[0].k == value::kind::integer && row[0].i == 1;
}

value session::column_default(const column_info& c) {
  if (!c.default_text) return value::null();
  auto stmts = parse_batch("SELECT " + *c.default_text);
  const auto& sel = std::get<select_stmt>(stmts.front());
  bool unicode = false;
  compile_context ctx = context();
  value v = evaluate_constant(*sel.items.front().e, ctx, &unicode);
  return convert_to(v, c.type, unicode);
}

namespace {
sql_error computed_column(const std::string& name) {
  return err::generic(271, "The column \"" + name +
                               "\" cannot be modified because it is either a computed column or "
                               "is the result of a UNION operator.");
}
}  // namespace

void session::insert(const insert_stmt& ins) {
  compile_context ctx = context();
  database* owner = nullptr;
  table_info& t = resolve_table(ins.table, ctx, &owner);
  const int identity = t.identity_column();
  const bool explicit_identity = identity_insert_.count({lower(owner->name()), t.id}) > 0;
  // Which table column each supplied value goes to.
  std::vector<int> targets;
  if (!ins.columns.empty()) {
    for (const auto& name : ins.columns) {
      int c = t.find_column(name);
      if (c < 0) throw err::invalid_column(name);
      for (int other : targets)
        if (other == c)
          throw err::generic(264, "The column name '" + name +
                                      "' is specified more than once in the SET clause or column "
                                      "list of an INSERT.");
      if (t.columns[static_cast<size_t>(c)].computed) throw computed_column(name);
      if (c == identity && !explicit_identity)
        throw err::generic(544, "Cannot insert explicit value for identity column in table '" +
                                    t.name + "' when IDENTITY_INSERT is set to OFF.");
      if (t.columns[static_cast<size_t>(c)].type.id == type_id::timestamp)
        throw err::generic(273,
                           "Cannot insert an explicit value into a timestamp column. Use "
                           "INSERT with a column list to exclude the timestamp column, or "
                           "insert a DEFAULT into the timestamp column.");
      targets.push_back(c);
    }
  } else if (!ins.default_values) {
    if (explicit_identity)
      throw err::generic(8101, "An explicit value for the identity column in table '" +
                                   full_name(*owner, t) +
                                   "' can only be specified when a column list is used and "
                                   "IDENTITY_INSERT is ON.");
    for (size_t c = 0; c < t.columns.size(); ++c)
      if (static_cast<int>(c) != identity && t.columns[c].type.id != type_id::timestamp &&
          !t.columns[c].computed)
        targets.push_back(static_cast<int>(c));
  }

  // Gather the supplied values row by row.
  std::vector<std::vector<std::pair<value, bool>>> supplied;  // value, unicode
  std::vector<std::vector<bool>> use_default;
  if (ins.select) {
    compiled_select c = compile_select(*ins.select, ctx);
    if (c.columns.size() != targets.size())
      throw err::generic(120,
                         "The select list for the INSERT statement contains " +
                             std::string(c.columns.size() < targets.size() ? "fewer" : "more") +
                             " items than the insert list. The number of SELECT values must "
                             "match the number of INSERT columns.",
                         15);
    storage_result rows(*db_, c.sql, c.columns);
    std::vector<value> row;
    while (rows.next(row)) {
      std::vector<std::pair<value, bool>> r;
      for (size_t i = 0; i < row.size(); ++i) {
        // Stored forms of money and other types read back as their text.
        value v = row[i];
        if (c.columns[i].type.id == type_id::money || c.columns[i].type.id == type_id::smallmoney)
          v = value::of_number(text_form(v, c.columns[i].type));
        r.emplace_back(std::move(v), is_unicode(c.columns[i].type.id));
      }
      use_default.emplace_back(r.size(), false);
      supplied.push_back(std::move(r));
    }
  } else if (ins.default_values) {
    supplied.emplace_back();
    use_default.emplace_back();
  } else {
    for (const auto& row : ins.rows) {
      if (row.size() != targets.size()) {
        if (!ins.columns.empty())
          throw err::generic(row.size() < targets.size() ? 109 : 110,
                             row.size() < targets.size()
                                 ? "There are more columns in the INSERT statement than values "
                                   "specified in the VALUES clause. The number of values in the "
                                   "VALUES clause must match the number of columns specified in "
                                   "the INSERT statement."
                                 : "There are fewer columns in the INSERT statement than values "
                                   "specified in the VALUES clause. The number of values in the "
                                   "VALUES clause must match the number of columns specified in "
                                   "the INSERT statement.",
                             15);
        throw err::generic(213,
                           "Column name or number of supplied values does not match table "
                           "definition.");
      }
      std::vector<std::pair<value, bool>> r;
      std::vector<bool> d;
      for (const auto& e : row) {
        bool unicode = false;
        if (!e) {
          r.emplace_back(value::null(), false);
          d.push_back(true);
          continue;
        }
        r.emplace_back(scalar(*e, &unicode), unicode);
        d.push_back(false);
      }
      supplied.push_back(std::move(r));
      use_default.push_back(std::move(d));
    }
  }

  std::vector<std::vector<value>> rows;
  rows.reserve(supplied.size());
  int64_t last = t.identity_last;
  bool used = t.identity_used;
  for (size_t r = 0; r < supplied.size(); ++r) {
    std::vector<value> row(t.columns.size());
    std::vector<bool> given(t.columns.size(), false);
    for (size_t i = 0; i < targets.size(); ++i) {
      const size_t c = static_cast<size_t>(targets[i]);
      given[c] = true;
      if (use_default[r][i]) {
        given[c] = false;
        continue;
      }
      row[c] = convert_to(supplied[r][i].first, t.columns[c].type, supplied[r][i].second);
    }
    for (size_t c = 0; c < t.columns.size(); ++c) {
      const column_info& col = t.columns[c];
      if (static_cast<int>(c) == identity) {
        if (given[c]) {
          if (row[c].is_null()) throw err::null_not_allowed(col.name, full_name(*owner, t));
          int64_t v = row[c].k == value::kind::integer ? row[c].i : identity_value(row[c].s);
          if (!used || (col.increment > 0 ? v > last : v < last)) last = v;
          used = true;
        } else {
          last = used ? last + col.increment : col.seed;
          used = true;
          row[c] = convert_to(value::of_int(last), col.type);
        }
        continue;
      }
      if (col.type.id == type_id::timestamp) {
        int64_t v = owner->next_rowversion();
        std::string b(8, '\0');
        for (int i = 0; i < 8; ++i) b[static_cast<size_t>(7 - i)] = static_cast<char>(v >> (8 * i));
        row[c] = value::of_blob(b);
        continue;
      }
      // Worked out by the storage once the row is there.
      if (col.computed) continue;
      if (!given[c]) row[c] = column_default(col);
      if (row[c].is_null() && !col.nullable)
        throw err::null_not_allowed(col.name, full_name(*owner, t));
    }
    rows.push_back(std::move(row));
  }
  const int64_t saved_last = t.identity_last;
  const bool saved_used = t.identity_used;
  t.identity_last = last;
  t.identity_used = used;
  try {
    owner->insert_rows(t, rows);
  } catch (...) {
    // A failed statement gives back no identity values.
    t.identity_last = saved_last;
    t.identity_used = saved_used;
    throw;
  }
  rows_affected_ = static_cast<int64_t>(rows.size());
}

void session::update(const update_stmt& u) {
  compile_context ctx = context();
  database* owner = nullptr;
  table_info& t = resolve_table(u.table, ctx, &owner);
  std::vector<int> targets;
  std::vector<const expr*> values;
  for (const auto& [name, e] : u.sets) {
    int c = t.find_column(name);
    if (c < 0) throw err::invalid_column(name);
    if (t.columns[static_cast<size_t>(c)].identity)
      throw err::generic(8102, "Cannot update identity column '" + name + "'.");
    if (t.columns[static_cast<size_t>(c)].computed) throw computed_column(name);
    if (t.columns[static_cast<size_t>(c)].type.id == type_id::timestamp)
      throw err::generic(272, "Cannot update a timestamp column.");
    for (int other : targets)
      if (other == c)
        throw err::generic(264,
                           "The column name '" + name +
                               "' is specified more than once in the SET clause or column list "
                               "of an UPDATE. A column cannot be assigned more than one value "
                               "in the same clause.");
    targets.push_back(c);
    values.push_back(e.get());
  }
  compiled_select q = compile_row_query(u.table, values, u.where.get(), ctx);
  std::vector<std::pair<int64_t, std::vector<value>>> rows;
  {
    storage_result r(*owner, q.sql, q.columns);
    std::vector<value> row;
    while (r.next(row)) {
      std::vector<value> vals;
      for (size_t i = 0; i < targets.size(); ++i) {
        const column_info& col = t.columns[static_cast<size_t>(targets[i])];
        const sql_type& from = q.columns[i + 1].type;
        value v = row[i + 1];
        if (!v.is_null() && (from.id == type_id::money || from.id == type_id::smallmoney))
          v = value::of_number(text_form(v, from));
        v = convert_to(v, col.type, is_unicode(from.id));
        if (v.is_null() && !col.nullable)
          throw err::null_not_allowed(col.name, full_name(*owner, t));
        vals.push_back(std::move(v));
      }
      rows.emplace_back(row[0].i, std::move(vals));
    }
  }
  owner->update_rows(t, targets, rows);
  rows_affected_ = static_cast<int64_t>(rows.size());
}

std::unique_ptr<result_set> session::exec(const exec_stmt& e) {
  compile_context ctx = context();
  auto arg_text = [&](const expr_ptr& x) -> std::optional<std::string> {
    if (!x) return std::nullopt;
    value v = evaluate_constant(*x, ctx);
    if (v.is_null()) return std::nullopt;
    if (v.k == value::kind::integer) return std::to_string(v.i);
    return v.s;
  };
  auto named = [&](const std::vector<std::string>& order) {
    std::vector<std::optional<std::string>> vals(order.size());
    size_t pos = 0;
    bool seen_named = false;
    for (const auto& [name, x] : e.args) {
      if (name.empty()) {
        if (seen_named)
          throw err::generic(119,
                             "Must pass parameter number " + std::to_string(pos + 1) +
                                 " and subsequent parameters as '@name = value'. After the "
                                 "form '@name = value' has been used, all subsequent "
                                 "parameters must be passed in the form '@name = value'.",
                             15);
        if (pos >= order.size())
          throw err::generic(
              8144, "Procedure or function " + e.proc + " has too many arguments specified.");
        vals[pos++] = arg_text(x);
        continue;
      }
      seen_named = true;
      size_t i = 0;
      while (i < order.size() && order[i] != name) ++i;
      if (i == order.size())
        throw err::generic(8145, name + " is not a parameter for procedure " + e.proc + ".");
      vals[i] = arg_text(x);
    }
    return vals;
  };
  const std::string proc = lower(e.proc);
  if (proc == "sp_databases") {
    if (!e.args.empty())
      throw err::generic(8144,
                         "Procedure or function sp_databases has too many arguments specified.");
    return sp_databases(*server_);
  }
  if (proc == "sp_columns") {
    auto v = named({"@table_name", "@table_owner", "@table_qualifier", "@column_name", "@odbcver"});
    if (!v[0])
      throw err::generic(201,
                         "Procedure or function 'sp_columns' expects parameter '@table_name', "
                         "which was not supplied.");
    sp_columns_args a;
    a.table_name = *v[0];
    a.owner = v[1];
    a.qualifier = v[2];
    a.column_name = v[3];
    if (v[4]) a.odbc_ver = std::atoi(v[4]->c_str());
    return sp_columns(*db_, a);
  }
  if (proc == "sp_tables") {
    auto v = named({"@table_name", "@table_owner", "@table_qualifier", "@table_type"});
    if (v[2] && !iequals(*v[2], db_->name()))
      throw err::generic(15250,
                         "The database name component of the object qualifier must be the "
                         "name of the current database.");
    return sp_tables(*db_, v[0], v[1], v[3]);
  }
  auto required = [&](const std::optional<std::string>& v, const char* name) {
    if (!v)
      throw err::generic(201, "Procedure or function '" + proc + "' expects parameter '" + name +
                                  "', which was not supplied.");
  };
  if (proc == "sp_pkeys") {
    auto v = named({"@table_name", "@table_owner", "@table_qualifier"});
    required(v[0], "@table_name");
    return sp_pkeys(*db_, table_args{v[0], v[1], v[2]}, default_schema());
  }
  if (proc == "sp_fkeys") {
    auto v = named({"@pktable_name", "@pktable_owner", "@pktable_qualifier", "@fktable_name",
                    "@fktable_owner", "@fktable_qualifier"});
    if (!v[0] && !v[3])
      throw err::generic(15252, "No PKTABLE_NAME or FKTABLE_NAME parameter was specified.");
    return sp_fkeys(*db_, table_args{v[0], v[1], v[2]}, table_args{v[3], v[4], v[5]},
                    default_schema());
  }
  if (proc == "sp_statistics") {
    auto v = named({"@table_name", "@table_owner", "@table_qualifier", "@index_name", "@is_unique",
                    "@accuracy"});
    required(v[0], "@table_name");
    return sp_statistics(*db_, table_args{v[0], v[1], v[2]}, v[3], v[4] && iequals(*v[4], "Y"),
                         default_schema());
  }
  if (proc == "sp_addtype") {
    auto v = named({"@typename", "@phystype", "@nulltype", "@owner"});
    required(v[0], "@typename");
    required(v[1], "@phystype");
    std::string nulls = v[2] ? lower(*v[2]) : "null";
    if (nulls != "null" && nulls != "not null" && nulls != "nonull")
      throw err::generic(15041, "Illegal value for nulltype.");
    auto stmts = parse_batch("CREATE TYPE " + quote_name(*v[0]) + " FROM " + *v[1]);
    auto* t = stmts.size() == 1 ? std::get_if<create_type_stmt>(&stmts.front()) : nullptr;
    if (!t) throw err::generic(15036, "The data type '" + *v[1] + "' does not exist.");
    t->nullable = nulls == "null";
    if (v[3]) t->name.schema = *v[3];
    db_->create_type(*t, default_schema());
    return nullptr;
  }
  if (proc == "sp_droptype") {
    auto v = named({"@typename"});
    required(v[0], "@typename");
    if (!db_->drop_type(object_name{"", "", *v[0]}, default_schema()))
      throw err::generic(15131, "The type '" + *v[0] + "' does not exist.");
    return nullptr;
  }
  if (proc == "sp_msforeachtable") {
    auto v = named({"@command1", "@replacechar", "@command2", "@command3"});
    required(v[0], "@command1");
    const std::string mark = v[1] ? *v[1] : "?";
    std::vector<std::string> names;
    for (const auto& t : db_->tables())
      names.push_back(quote_name(t->schema) + "." + quote_name(t->name));
    for (const auto& n : names)
      for (const auto& cmd : {v[0], v[2], v[3]}) {
        if (!cmd) continue;
        std::string sql = *cmd;
        for (size_t at = sql.find(mark); at != std::string::npos && !mark.empty();
             at = sql.find(mark, at + n.size()))
          sql.replace(at, mark.size(), n);
        for (auto& r : execute_all(sql))
          if (nested_results_) nested_results_(std::move(r));
      }
    return nullptr;
  }
  if (no_effect_procedure(proc)) return nullptr;
  throw err::generic(2812, "Could not find stored procedure '" + e.proc + "'.", 16, "42000");
}

std::unique_ptr<result_set> session::open_table(const std::string& name) {
  // [owner].[table] as the provider receives it; plain dotted names too.
  auto stmts = parse_batch("SELECT * FROM " + name);
  if (stmts.size() != 1) throw err::invalid_object(name);
  const auto* sel = std::get_if<select_stmt>(&stmts.front());
  if (!sel || sel->from.size() != 1 || !sel->from[0].table || !sel->from[0].joins.empty() ||
      !sel->from[0].alias.empty() || sel->where)
    throw err::invalid_object(name);
  compile_context ctx = context();
  database* owner = nullptr;
  table_info& t = resolve_table(*sel->from[0].table, ctx, &owner);
  return owner->open_table(t);
}

std::unique_ptr<result_set> session::schema(schema_kind kind, const restrictions& r) {
  return schema_rowset(*server_, *db_, kind, r);
}

}  // namespace tsl::mssql
