#include "embedded/mssql/session.h"

#include <pwd.h>
#include <unistd.h>

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
  } catch (const sql_error&) {
    throw sql_error(err::kFail, error_record{4060, 11, 1, "42000",
                                             "Cannot open database \"" + db +
                                                 "\" requested by the login. The login failed."})
        .also(error_record{18456, 14, 1, "28000", "Login failed for user '" + user_ + "'."});
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
  for (const auto& st : parse_batch(sql))
    if (auto r = run(st)) out.push_back(std::move(r));
  return out;
}

std::unique_ptr<result_set> session::execute(const std::string& sql) {
  auto all = execute_all(sql);
  if (all.empty()) return nullptr;
  return std::move(all.front());
}

std::vector<std::unique_ptr<result_set>> session::run_script(const std::string& script) {
  std::vector<std::unique_ptr<result_set>> out;
  for (const auto& batch : split_batches(script))
    for (auto& r : execute_all(batch)) out.push_back(std::move(r));
  return out;
}

void session::run_script(const std::string& script,
                         const std::function<void(result_set&)>& on_result) {
  for (const auto& batch : split_batches(script))
    for (const auto& st : parse_batch(batch))
      if (auto r = run(st)) on_result(*r);
}

std::unique_ptr<result_set> session::run(const statement& st) {
  // Statements read and change the catalogue: one at a time per database.
  std::shared_ptr<database> current = db_;
  std::lock_guard<std::recursive_mutex> lock(current->mutex());
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
  if (std::get_if<set_option_stmt>(&st)) return nullptr;
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

value session::column_default(const column_info& c) {
  if (!c.default_text) return value::null();
  auto stmts = parse_batch("SELECT " + *c.default_text);
  const auto& sel = std::get<select_stmt>(stmts.front());
  bool unicode = false;
  compile_context ctx = context();
  value v = evaluate_constant(*sel.items.front().e, ctx, &unicode);
  return convert_to(v, c.type, unicode);
}

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
      if (static_cast<int>(c) != identity && t.columns[c].type.id != type_id::timestamp)
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
        r.emplace_back(evaluate_constant(*e, ctx, &unicode), unicode);
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
          int64_t v = row[c].k == value::kind::integer ? row[c].i : std::stoll(row[c].s);
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
    return sp_tables(*db_, v[0], v[1]);
  }
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
