#include "embedded/mssql_tds/rpc_procedures.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "embedded/mssql/parser.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::tds {
namespace {

constexpr uint16_t kSpExecuteSql = 10;
constexpr uint16_t kSpPrepare = 11;
constexpr uint16_t kSpExecute = 12;
constexpr uint16_t kSpPrepExec = 13;
constexpr uint16_t kSpUnprepare = 15;

// The name a procedure is called by, without owner and brackets.
std::string bare_name(const std::string& proc) {
  std::string n = proc;
  const size_t dot = n.rfind('.');
  if (dot != std::string::npos) n = n.substr(dot + 1);
  if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
  return n;
}

// The @names of an sp_executesql parameter list, in order.
std::vector<std::string> declared_names(const std::string& decl) {
  std::vector<std::string> names;
  int depth = 0;
  bool at_start = true;
  for (size_t i = 0; i < decl.size(); ++i) {
    const char c = decl[i];
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) {
      at_start = true;
      continue;
    }
    if (at_start && c == '@') {
      size_t j = i + 1;
      while (j < decl.size() && (std::isalnum(static_cast<unsigned char>(decl[j])) || decl[j] == '_' ||
                                 decl[j] == '@' || decl[j] == '#' || decl[j] == '$'))
        ++j;
      std::string name = decl.substr(i, j - i);
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      names.push_back(name);
      at_start = false;
      i = j - 1;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      at_start = false;
    }
  }
  return names;
}

bool is_text(const rpc_param& p) {
  return p.v.k == mssql::value::kind::text;
}

std::optional<int32_t> handle_of(const std::vector<rpc_param>& ps) {
  if (ps.empty() || ps[0].v.k != mssql::value::kind::integer) return std::nullopt;
  return static_cast<int32_t>(ps[0].v.i);
}

}  // namespace

request_runner::outcome rpc_procedures::call(rpc_call& c, bool more) {
  const std::string name = bare_name(c.proc);
  if (c.proc_id == kSpExecuteSql || (c.proc_id == 0 && name == "sp_executesql"))
    return execute_sql(c, more);
  if (c.proc_id == kSpPrepare || (c.proc_id == 0 && name == "sp_prepare")) return prepare(c, more, false);
  if (c.proc_id == kSpPrepExec || (c.proc_id == 0 && name == "sp_prepexec")) return prepare(c, more, true);
  if (c.proc_id == kSpExecute || (c.proc_id == 0 && name == "sp_execute")) return execute_prepared(c, more);
  if (c.proc_id == kSpUnprepare || (c.proc_id == 0 && name == "sp_unprepare")) return unprepare(c, more);
  if (c.proc_id != 0) {
    static const char* const kNames[] = {"",           "sp_cursor",        "sp_cursoropen",
                                         "sp_cursorprepare", "sp_cursorexecute",
                                         "sp_cursorprepexec", "sp_cursorunprepare",
                                         "sp_cursorfetch",    "sp_cursoroption",
                                         "sp_cursorclose",    "sp_executesql",
                                         "sp_prepare",        "sp_execute",
                                         "sp_prepexec",       "sp_prepexecrpc",
                                         "sp_unprepare"};
    const std::string known = c.proc_id < 16 ? kNames[c.proc_id] : std::to_string(c.proc_id);
    runner_.fail_request(
        mssql::err::generic(2812, "Could not find stored procedure '" + known + "'."), true, more);
    return request_runner::outcome::failed;
  }
  mssql::exec_stmt e;
  e.proc = name;
  for (auto& p : c.params) {
    auto x = std::make_unique<mssql::expr>();
    x->k = mssql::expr::kind::literal;
    x->lit = std::move(p.v);
    x->unicode = p.unicode;
    e.args.emplace_back(p.name, std::move(x));
  }
  return runner_.run_in_proc(mssql::statement(std::move(e)), more);
}

request_runner::outcome rpc_procedures::fail(const mssql::sql_error& e, bool more) {
  runner_.fail_request(e, true, more);
  return request_runner::outcome::failed;
}


request_runner::outcome rpc_procedures::execute_sql(rpc_call& c, bool more) {
  std::vector<rpc_param>& ps = c.params;
  if (ps.empty() || (!ps[0].name.empty() && ps[0].name != "@statement" && ps[0].name != "@stmt") ||
      !is_text(ps[0]))
    return fail(mssql::err::generic(
                    214, "Procedure expects parameter '@statement' of type 'ntext/nchar/nvarchar'."),
                more);
  std::string decl;
  size_t first_value = 1;
  if (ps.size() > 1 && (ps[1].name.empty() || ps[1].name == "@params")) {
    if (!ps[1].v.is_null() && !is_text(ps[1]))
      return fail(mssql::err::generic(
                      214, "Procedure expects parameter '@parameters' of type 'ntext/nchar/nvarchar'."),
                  more);
    decl = ps[1].v.s;
    first_value = 2;
  }
  return run_bound(ps[0].v.s, decl, ps, first_value, more, std::nullopt);
}

// sp_prepare and sp_prepexec: @handle OUTPUT, @params, @stmt[, values].
request_runner::outcome rpc_procedures::prepare(rpc_call& c, bool more, bool execute) {
  std::vector<rpc_param>& ps = c.params;
  if (ps.size() < 3 || !is_text(ps[2]) || (!ps[1].v.is_null() && !is_text(ps[1])))
    return fail(mssql::err::generic(
                    214, "Procedure expects parameter '@stmt' of type 'ntext/nchar/nvarchar'."),
                more);
  const std::string decl = ps[1].v.is_null() ? std::string() : ps[1].v.s;
  const std::string statement = ps[2].v.s;
  try {
    mssql::parse_batch(statement);  // SQL Server compiles at prepare time
  } catch (const mssql::sql_error& e) {
    return fail(e, more);
  }
  const int32_t handle = next_handle_++;
  prepared_[handle] = {decl, statement};
  request_runner::output_param out{0, u"@handle", handle};
  if (!execute) {
    runner_.empty_proc(more, out);
    return request_runner::outcome::ok;
  }
  return run_bound(statement, decl, ps, 3, more, out);
}


request_runner::outcome rpc_procedures::execute_prepared(rpc_call& c, bool more) {
  auto h = handle_of(c.params);
  auto it = h ? prepared_.find(*h) : prepared_.end();
  if (it == prepared_.end())
    return fail(mssql::err::generic(8179, "Could not find prepared statement with handle " +
                                              (h ? std::to_string(*h) : std::string("NULL")) + "."),
                more);
  const auto [decl, statement] = it->second;
  return run_bound(statement, decl, c.params, 1, more, std::nullopt);
}

request_runner::outcome rpc_procedures::unprepare(rpc_call& c, bool more) {
  auto h = handle_of(c.params);
  if (!h || !prepared_.erase(*h))
    return fail(mssql::err::generic(8179, "Could not find prepared statement with handle " +
                                              (h ? std::to_string(*h) : std::string("NULL")) + "."),
                more);
  runner_.empty_proc(more);
  return request_runner::outcome::ok;
}

// Binds ps[first..] to the names decl declares (by name, or by position
// when unnamed) and runs the statement with them.
request_runner::outcome rpc_procedures::run_bound(const std::string& statement, const std::string& decl,
                                  std::vector<rpc_param>& ps, size_t first, bool more,
                                  std::optional<request_runner::output_param> out) {
  const std::vector<std::string> names = declared_names(decl);
  mssql::parameters bound;
  size_t position = 0;
  for (size_t i = first; i < ps.size(); ++i) {
    std::string name = ps[i].name;
    if (name.empty()) {
      if (position >= names.size())
        return fail(mssql::err::generic(
                        8144, "Procedure or function  has too many arguments specified."),
                    more);
      name = names[position++];
    } else if (std::find(names.begin(), names.end(), name) == names.end()) {
      return fail(mssql::err::generic(8145, ps[i].name + " is not a parameter for procedure ."),
                  more);
    }
    // The engine measures varchar in UTF-8 bytes; the client measured it
    // in code-page bytes, one a character.
    mssql::sql_type& t = ps[i].type;
    if ((t.id == mssql::type_id::varchar || t.id == mssql::type_id::char_) && !t.is_max() &&
        ps[i].v.k == mssql::value::kind::text)
      t.length = std::max<int32_t>(t.length, static_cast<int32_t>(ps[i].v.s.size()));
    bound[name] = mssql::parameter{std::move(ps[i].v), ps[i].unicode,
                                   ps[i].typed ? std::optional<mssql::sql_type>(ps[i].type)
                                               : std::nullopt};
  }
  for (const auto& n : names)
    if (!bound.count(n))
      return fail(mssql::err::generic(8178, "The parameterized query '(" + decl + ")" +
                                                statement.substr(0, 100) +
                                                "' expects the parameter '" + n +
                                                "', which was not supplied."),
                  more);
  session_.bind(std::move(bound));
  struct unbind_guard {
    mssql::session& s;
    ~unbind_guard() { s.unbind(); }
  } guard{session_};
  return runner_.run_in_proc(statement, more, out);
}

}  // namespace tsl::tds
