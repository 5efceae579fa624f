#include "embedded/mssql/parser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "embedded/mssql/lexer.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

std::string object_name::text() const {
  std::string s;
  if (!db.empty()) s += db + ".";
  if (!schema.empty() || !db.empty()) s += schema + ".";
  return s + name;
}

namespace {

constexpr int kMaxDepth = 200;

const char* const kReserved[] = {
    "ADD",    "ALL",        "ALTER",  "AND",       "ANY",          "AS",         "ASC",
    "BEGIN",  "BETWEEN",    "BY",     "CASE",      "CHECK",        "CLUSTERED",  "COLLATE",
    "COLUMN", "CONSTRAINT", "CREATE", "CROSS",     "DATABASE",     "DEFAULT",    "DELETE",
    "DESC",   "DISTINCT",   "DROP",   "ELSE",      "END",          "EXEC",       "EXECUTE",
    "EXISTS", "FOREIGN",    "FROM",   "FULL",      "GROUP",        "HAVING",     "IDENTITY",
    "IN",     "INDEX",      "INNER",  "INSERT",    "INTO",         "IS",         "JOIN",
    "KEY",    "LEFT",       "LIKE",   "NOCHECK",   "NONCLUSTERED", "NOT",        "NULL",
    "ON",     "OR",         "ORDER",  "OUTER",     "PRIMARY",      "REFERENCES", "RIGHT",
    "SELECT", "SET",        "TABLE",  "THEN",      "TOP",          "UNION",      "UNIQUE",
    "UPDATE", "USE",        "VALUES", "WHEN",      "WHERE",        "WITH",       "WHILE",
    "BREAK",  "CONTINUE",   "PRINT",  "RAISERROR", "DECLARE",      "RETURN",     "GOTO",
    "COMMIT", "ROLLBACK"};

bool iequal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool reserved(std::string_view w) {
  for (const char* k : kReserved)
    if (iequal(w, k)) return true;
  return false;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class parser {
 public:
  parser(std::string_view src, std::vector<token> toks) : src_(src), t_(std::move(toks)) {}

  std::vector<statement> batch(std::vector<size_t>* starts) {
    std::vector<statement> out;
    for (;;) {
      while (is_op(";")) ++p_;
      if (cur().kind == tok::end) break;
      if (starts) starts->push_back(cur().pos);
      out.push_back(stmt());
    }
    for (const auto& g : gotos_)
      if (std::find(labels_.begin(), labels_.end(), g) == labels_.end())
        throw err::generic(133, "A GOTO statement references the label '" + g +
                                    "' but the label has not been declared.",
                           15);
    return out;
  }

 private:
  std::string_view src_;
  std::vector<token> t_;
  size_t p_ = 0;
  int depth_ = 0;
  int loops_ = 0;          // WHILE statements around the one being parsed
  std::vector<std::string> labels_, gotos_;  // lower case
  bool in_union_ = false;  // parsing a query after UNION

  const token& cur() const { return t_[p_]; }
  const token& peek(size_t k = 1) const { return t_[std::min(p_ + k, t_.size() - 1)]; }
  bool is_op(const char* op) const { return cur().kind == tok::op && cur().text == op; }
  bool is_kw(const char* w) const { return cur().kind == tok::ident && iequal(cur().text, w); }
  bool peek_kw(size_t k, const char* w) const {
    return peek(k).kind == tok::ident && iequal(peek(k).text, w);
  }
  bool eat_op(const char* op) {
    if (!is_op(op)) return false;
    ++p_;
    return true;
  }
  bool eat_kw(const char* w) {
    if (!is_kw(w)) return false;
    ++p_;
    return true;
  }

  [[noreturn]] void fail() const {
    const token& t = cur();
    switch (t.kind) {
      case tok::end:
        throw err::syntax_near(p_ > 0 ? t_[p_ - 1].text : std::string());
      case tok::ident:
        if (reserved(t.text)) {
          std::string up = t.text;
          for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
          throw err::syntax_near_keyword(up);
        }
        throw err::syntax_near(t.text);
      case tok::binary:
        throw err::syntax_near("0x");
      default:
        throw err::syntax_near(t.text);
    }
  }
  void need_op(const char* op) {
    if (!eat_op(op)) fail();
  }
  void need_kw(const char* w) {
    if (!eat_kw(w)) fail();
  }

  struct depth_guard {
    parser& p;
    explicit depth_guard(parser& pp) : p(pp) {
      if (++p.depth_ > kMaxDepth)
        throw err::generic(191,
                           "Some part of your SQL statement is nested too deeply. Rewrite "
                           "the query or break it up into smaller queries.",
                           15);
    }
    ~depth_guard() { --p.depth_; }
  };

  std::string ident() {
    const token& t = cur();
    if (t.kind == tok::quoted_ident || (t.kind == tok::ident && !reserved(t.text))) {
      ++p_;
      // The limit counts characters, not bytes.
      size_t chars = 0, cut = t.text.size();
      for (size_t i = 0; i < t.text.size(); ++i)
        if ((static_cast<unsigned char>(t.text[i]) & 0xC0) != 0x80 && ++chars == 129) cut = i;
      if (chars > 128)
        throw err::generic(103,
                           "The identifier that starts with '" + t.text.substr(0, cut) +
                               "' is too long. Maximum length is 128.",
                           15);
      return t.text;
    }
    fail();
  }

  object_name object() {
    std::vector<std::string> parts;
    parts.push_back(ident());
    while (is_op(".")) {
      ++p_;
      if (is_op(".")) {
        parts.push_back("");
        continue;
      }
      parts.push_back(ident());
    }
    if (parts.size() > 3) fail();
    object_name o;
    o.name = parts.back();
    if (parts.size() >= 2) o.schema = parts[parts.size() - 2];
    if (parts.size() == 3) o.db = parts[0];
    return o;
  }

  int64_t integer() {
    bool neg = eat_op("-");
    if (!neg) eat_op("+");
    if (cur().kind != tok::number ||
        cur().text.find_first_not_of("0123456789") != std::string::npos)
      fail();
    if (cur().text.size() > 18) throw err::overflow("int");
    int64_t v = std::stoll(cur().text);
    ++p_;
    return neg ? -v : v;
  }

  // Statements up to END word (END TRY, END CATCH).
  std::shared_ptr<statement_list> block_until(const char* word) {
    auto list = std::make_shared<statement_list>();
    for (;;) {
      while (is_op(";")) ++p_;
      if (is_kw("END") && peek_kw(1, word)) {
        p_ += 2;
        while (is_op(";")) ++p_;
        return list;
      }
      if (cur().kind == tok::end) fail();
      list->items.push_back(stmt());
    }
  }

  statement stmt() {
    if (cur().kind == tok::ident && !reserved(cur().text) && peek().kind == tok::op &&
        peek().text == ":") {
      label_stmt l{lower(cur().text)};
      const std::string written = cur().text;
      p_ += 2;
      for (const auto& seen : labels_)
        if (seen == l.label)
          throw err::generic(132, "The label '" + written +
                                      "' has already been declared. Label names must be unique "
                                      "within a query batch or stored procedure.",
                             15);
      labels_.push_back(l.label);
      return l;
    }
    if (is_kw("UPDATE") && peek_kw(1, "STATISTICS")) {
      p_ += 2;
      object();
      if (is_op("("))
        skip_parens();
      else if (cur().kind == tok::ident && !reserved(cur().text))
        ++p_;
      if (eat_kw("WITH")) do
          ++p_;
        while (eat_op(","));
      return no_effect_stmt{"UPDATE STATISTICS"};
    }
    if (is_kw("CREATE")) return create();
    if (eat_kw("USE")) return use_stmt{ident()};
    if (is_kw("INSERT")) return insert();
    if (is_kw("SELECT")) return select();
    if (is_kw("EXEC") || is_kw("EXECUTE")) return exec();
    if (is_kw("SET")) return set();
    if (is_kw("DROP")) return drop();
    if (is_kw("DELETE")) return del();
    if (is_kw("ALTER") && peek_kw(1, "TABLE")) return alter_table();
    if (is_kw("UPDATE")) return update();
    if (is_kw("BEGIN") && peek_kw(1, "TRY")) {
      p_ += 2;
      depth_guard g(*this);
      try_catch_stmt tc{block_until("TRY"), nullptr};
      need_kw("BEGIN");
      need_kw("CATCH");
      tc.handler = block_until("CATCH");
      return tc;
    }
    if (eat_kw("WHILE")) {
      while_stmt w;
      w.cond = expression();
      depth_guard g(*this);
      ++loops_;
      w.body = std::make_shared<statement_list>();
      w.body->items.push_back(stmt());
      --loops_;
      return w;
    }
    if (is_kw("BREAK") || is_kw("CONTINUE")) {
      const bool is_break = is_kw("BREAK");
      if (loops_ == 0)
        throw err::generic(is_break ? 135 : 136,
                           std::string("Cannot use a ") + (is_break ? "BREAK" : "CONTINUE") +
                               " statement outside the scope of a WHILE statement.",
                           15);
      ++p_;
      return loop_control_stmt{is_break};
    }
    if (is_kw("BEGIN") && !peek_kw(1, "TRANSACTION") && !peek_kw(1, "TRAN")) {
      ++p_;
      block_stmt b{std::make_shared<statement_list>()};
      depth_guard g(*this);
      for (;;) {
        while (is_op(";")) ++p_;
        if (eat_kw("END")) break;
        if (cur().kind == tok::end) fail();
        b.body->items.push_back(stmt());
      }
      return b;
    }
    if (is_kw("BEGIN") || is_kw("COMMIT") || is_kw("ROLLBACK")) {
      const transaction_stmt t{is_kw("BEGIN")    ? transaction_stmt::kind::begin
                               : is_kw("COMMIT") ? transaction_stmt::kind::commit
                                                 : transaction_stmt::kind::rollback};
      ++p_;
      if (eat_kw("TRANSACTION") || eat_kw("TRAN") || eat_kw("WORK")) {
        // An optional transaction name.
        // A name on the same line; a word on the next starts a statement
        // (COMMIT TRANSACTION, then GOTO EndSave).
        const bool same_line =
            src_.substr(t_[p_ - 1].pos, cur().pos - t_[p_ - 1].pos).find('\n') ==
            std::string_view::npos;
        const bool label_next = peek().kind == tok::op && peek().text == ":";
        if (((cur().kind == tok::ident && !reserved(cur().text)) ||
             cur().kind == tok::quoted_ident || cur().kind == tok::variable) &&
            same_line && !label_next)
          ++p_;
      }
      return t;
    }
    if (eat_kw("RETURN")) {
      return_stmt r;
      // RETURN takes a value only in a procedure body (RETURN 0, RETURN @rc,
      // RETURN (1)); a word after it starts the next statement.
      if (cur().kind == tok::number || cur().kind == tok::variable || is_op("(") || is_op("-") ||
          is_op("+"))
        r.value = expression();
      return r;
    }
    if (eat_kw("GOTO")) {
      goto_stmt g{lower(ident())};
      gotos_.push_back(g.label);
      return g;
    }
    if (eat_kw("IF")) {
      if_stmt f;
      f.cond = expression();
      depth_guard g(*this);
      f.then_branch = std::make_shared<statement_list>();
      f.then_branch->items.push_back(stmt());
      while (is_op(";")) ++p_;
      if (eat_kw("ELSE")) {
        f.else_branch = std::make_shared<statement_list>();
        f.else_branch->items.push_back(stmt());
      }
      return f;
    }
    if (eat_kw("DECLARE")) {
      declare_stmt d;
      do {
        if (cur().kind != tok::variable) fail();
        declare_stmt::variable v;
        v.name = lower(cur().text);
        ++p_;
        eat_kw("AS");
        v.type = type(1);
        if (eat_op("=")) v.init = expression();
        d.vars.push_back(std::move(v));
      } while (eat_op(","));
      return d;
    }
    if (eat_kw("PRINT")) return print_stmt{expression()};
    if (eat_kw("RAISERROR")) {
      raiserror_stmt r;
      need_op("(");
      do r.args.push_back(expression());
      while (eat_op(","));
      need_op(")");
      if (eat_kw("WITH")) do
          if (!eat_kw("NOWAIT") && !eat_kw("LOG") && !eat_kw("SETERROR")) fail();
        while (eat_op(","));
      if (r.args.size() < 3) fail();
      return r;
    }
    if (eat_kw("CHECKPOINT")) {
      if (cur().kind == tok::number) ++p_;
      return no_effect_stmt{"CHECKPOINT"};
    }
    if (is_kw("GRANT") || is_kw("DENY") || is_kw("REVOKE")) {
      // Permissions are not modelled: the statement runs to the end of its line.
      std::string what = cur().text;
      const size_t eol = src_.find('\n', cur().pos);
      while (cur().kind != tok::end && !is_op(";") &&
             (eol == std::string_view::npos || cur().pos < eol))
        ++p_;
      return no_effect_stmt{what};
    }
    if (is_kw("ALTER") && peek_kw(1, "DATABASE")) return alter_database();
    if (is_kw("ALTER") && (peek_kw(1, "VIEW") || peek_kw(1, "PROCEDURE") || peek_kw(1, "PROC") ||
                           peek_kw(1, "FUNCTION") || peek_kw(1, "TRIGGER")))
      return module(p_ + 1, true, false);
    if (cur().kind == tok::ident && !reserved(cur().text) && !is_op("(")) {
      // A procedure name alone on the first line runs it.
      if (p_ == 0) return exec_body();
    }
    fail();
  }

  statement create() {
    need_kw("CREATE");
    if (eat_kw("DATABASE")) return create_database_stmt{ident()};
    if (eat_kw("SCHEMA")) {
      create_schema_stmt s{ident()};
      if (eat_kw("AUTHORIZATION")) ident();
      return s;
    }
    if (eat_kw("LOGIN")) {
      create_login_stmt s;
      s.name = ident();
      need_kw("WITH");
      for (;;) {
        if (eat_kw("PASSWORD")) {
          need_op("=");
          if (cur().kind != tok::string && cur().kind != tok::nstring) fail();
          s.password = cur().text;
          ++p_;
        } else if (eat_kw("DEFAULT_DATABASE")) {
          need_op("=");
          s.default_db = ident();
        } else {
          fail();
        }
        if (!eat_op(",")) break;
      }
      return s;
    }
    if (eat_kw("TABLE")) return create_table();
    if (is_kw("OR") && peek_kw(1, "ALTER")) return module(p_ + 2, true, true);
    if (is_kw("VIEW") || is_kw("PROCEDURE") || is_kw("PROC") || is_kw("FUNCTION") ||
        is_kw("TRIGGER"))
      return module(p_, false, false);
    if (eat_kw("TYPE")) {
      create_type_stmt t;
      t.name = object();
      need_kw("FROM");
      t.base = type(1);
      if (eat_kw("NOT")) {
        need_kw("NULL");
        t.nullable = false;
      } else {
        eat_kw("NULL");
      }
      return t;
    }
    create_index_stmt ix;
    if (eat_kw("UNIQUE")) ix.unique = true;
    if (eat_kw("CLUSTERED"))
      ix.clustered = true;
    else
      eat_kw("NONCLUSTERED");
    need_kw("INDEX");
    ix.name = ident();
    need_kw("ON");
    ix.table = object();
    ix.columns = key_columns();
    if (eat_kw("INCLUDE")) ix.include = name_list();
    if (is_kw("WHERE")) {
      ++p_;
      const size_t from = cur().pos;
      expression();
      ix.filter = std::string(src_.substr(from, cur().pos - from));
      while (!ix.filter.empty() && std::isspace(static_cast<unsigned char>(ix.filter.back())))
        ix.filter.pop_back();
    }
    skip_with_and_on();
    return ix;
  }

  // A module takes the rest of its batch, as SQL Server requires.
  statement module(size_t kind_at, bool alter, bool or_alter) {
    create_module_stmt m;
    const size_t start = cur().pos;
    p_ = kind_at;
    m.kind = cur().text;
    for (char& c : m.kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (m.kind == "PROC") m.kind = "PROCEDURE";
    ++p_;
    m.name = object();
    m.alter = alter;
    m.or_alter = or_alter;
    m.text = std::string(src_.substr(start));
    while (m.text.size() && std::isspace(static_cast<unsigned char>(m.text.back())))
      m.text.pop_back();
    p_ = t_.size() - 1;
    return m;
  }

  statement alter_database() {
    p_ += 2;
    if (!eat_kw("CURRENT")) ident();
    // Options, files and collation: nothing of them is modelled.
    while (cur().kind != tok::end && !is_op(";")) {
      if (cur().kind == tok::ident && p_ > 0 &&
          (is_kw("ALTER") || is_kw("CREATE") || is_kw("INSERT") || is_kw("SELECT") ||
           is_kw("EXEC") || is_kw("EXECUTE") || is_kw("USE") || is_kw("IF") || is_kw("PRINT") ||
           is_kw("GO") || is_kw("DROP") || is_kw("DECLARE") || is_kw("BEGIN") || is_kw("UPDATE") ||
           is_kw("DELETE") || is_kw("END")))
        break;
      if (is_op("("))
        skip_parens();
      else
        ++p_;
    }
    return no_effect_stmt{"ALTER DATABASE"};
  }

  void skip_with_and_on() {
    if (is_kw("WITH") && peek(1).kind == tok::op && peek(1).text == "(") {
      ++p_;
      skip_parens();
    }
    if (eat_kw("ON")) ident();
    if (eat_kw("TEXTIMAGE_ON")) ident();
  }

  // Skips a parenthesised part and returns its text, parentheses included.
  std::string parens_text() {
    const size_t from = cur().pos;
    skip_parens();
    return std::string(src_.substr(from, cur().pos - from));
  }

  void skip_parens() {
    need_op("(");
    int level = 1;
    while (level > 0) {
      if (cur().kind == tok::end) fail();
      if (is_op("(")) ++level;
      if (is_op(")")) --level;
      ++p_;
    }
  }

  std::vector<key_column> key_columns() {
    std::vector<key_column> cols;
    need_op("(");
    do {
      key_column c;
      c.name = ident();
      if (eat_kw("DESC"))
        c.desc = true;
      else
        eat_kw("ASC");
      cols.push_back(c);
    } while (eat_op(","));
    need_op(")");
    return cols;
  }

  std::vector<std::string> name_list() {
    std::vector<std::string> cols;
    need_op("(");
    do cols.push_back(ident());
    while (eat_op(","));
    need_op(")");
    return cols;
  }

  sql_type type(int column_no) {
    std::string name = ident();
    if (is_op(".")) {  // sys.int style
      ++p_;
      name = ident();
    }
    std::vector<int64_t> args;
    if (eat_op("(")) {
      do {
        if (eat_kw("MAX"))
          args.push_back(sql_type::kMax);
        else
          args.push_back(integer());
      } while (eat_op(","));
      need_op(")");
    }
    if (iequal(name, "double") && eat_kw("PRECISION")) name = "float";
    if ((iequal(name, "char") || iequal(name, "character")) && eat_kw("VARYING")) name = "varchar";
    if (iequal(name, "national")) {
      if (eat_kw("CHAR") || eat_kw("CHARACTER"))
        name = eat_kw("VARYING") ? "nvarchar" : "nchar";
      else if (eat_kw("TEXT"))
        name = "ntext";
      else
        fail();
      if (eat_op("(")) {
        args.push_back(is_kw("MAX") ? (++p_, sql_type::kMax) : integer());
        need_op(")");
      }
    }
    return make_type(name, args, column_no);
  }

  fk_rule rule() {
    if (eat_kw("CASCADE")) return fk_rule::cascade;
    if (eat_kw("NO")) {
      need_kw("ACTION");
      return fk_rule::no_action;
    }
    need_kw("SET");
    if (eat_kw("NULL")) return fk_rule::set_null;
    need_kw("DEFAULT");
    return fk_rule::set_default;
  }

  void references(key_def& k) {
    need_kw("REFERENCES");
    k.ref_table = object();
    if (is_op("(")) k.ref_columns = name_list();
    while (is_kw("ON")) {
      ++p_;
      if (eat_kw("DELETE"))
        k.on_delete = rule();
      else if (eat_kw("UPDATE"))
        k.on_update = rule();
      else
        fail();
    }
    if (eat_kw("NOT")) need_kw("FOR"), need_kw("REPLICATION");
  }

  std::optional<bool> clustering() {
    if (eat_kw("CLUSTERED")) return true;
    if (eat_kw("NONCLUSTERED")) return false;
    return std::nullopt;
  }

  statement create_table() {
    create_table_stmt ct;
    ct.name = object();
    need_op("(");
    do {
      if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("FOREIGN") ||
          is_kw("CHECK")) {
        ct.keys.push_back(table_constraint());
        continue;
      }
      ct.columns.push_back(column(ct, static_cast<int>(ct.columns.size()) + 1));
    } while (eat_op(","));
    need_op(")");
    skip_with_and_on();
    return ct;
  }

  statement alter_table() {
    need_kw("ALTER");
    need_kw("TABLE");
    alter_table_stmt a;
    a.table = object();
    if (eat_kw("WITH")) {
      if (eat_kw("CHECK"))
        a.with_check = true;
      else if (eat_kw("NOCHECK"))
        a.with_nocheck = true;
      else
        fail();
    }
    auto names_or_all = [&] {
      if (eat_kw("ALL")) return;
      do a.names.push_back(ident());
      while (eat_op(","));
    };
    if (eat_kw("CHECK")) {
      need_kw("CONSTRAINT");
      a.a = alter_table_stmt::action::check_constraint;
      names_or_all();
      return a;
    }
    if (eat_kw("NOCHECK")) {
      need_kw("CONSTRAINT");
      a.a = alter_table_stmt::action::nocheck_constraint;
      names_or_all();
      return a;
    }
    if (eat_kw("ADD")) {
      create_table_stmt ct;
      do {
        if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("FOREIGN") ||
            is_kw("CHECK") || is_kw("DEFAULT"))
          ct.keys.push_back(table_constraint());
        else
          ct.columns.push_back(column(ct, static_cast<int>(ct.columns.size()) + 1));
      } while (eat_op(","));
      a.columns = std::move(ct.columns);
      a.keys = std::move(ct.keys);
      return a;
    }
    if (eat_kw("ALTER")) {
      need_kw("COLUMN");
      a.a = alter_table_stmt::action::alter_column;
      column_def c;
      c.name = ident();
      c.type = type(1);
      if (eat_kw("COLLATE")) ident();
      if (eat_kw("NULL"))
        c.nullable = true;
      else if (eat_kw("NOT")) {
        need_kw("NULL");
        c.nullable = false;
      }
      a.columns.push_back(std::move(c));
      return a;
    }
    need_kw("DROP");
    a.a = alter_table_stmt::action::drop_constraint;
    if (eat_kw("COLUMN"))
      a.a = alter_table_stmt::action::drop_column;
    else
      eat_kw("CONSTRAINT");
    if (is_kw("IF") && peek_kw(1, "EXISTS")) {
      p_ += 2;
      a.if_exists = true;
    }
    do a.names.push_back(ident());
    while (eat_op(","));
    return a;
  }

  key_def table_constraint() {
    key_def k;
    if (eat_kw("CONSTRAINT")) k.name = ident();
    if (eat_kw("PRIMARY")) {
      need_kw("KEY");
      k.k = key_def::kind::primary;
      k.clustered = clustering();
      k.columns = key_columns();
      skip_with_and_on();
    } else if (eat_kw("UNIQUE")) {
      k.k = key_def::kind::unique;
      k.clustered = clustering();
      k.columns = key_columns();
      skip_with_and_on();
    } else if (eat_kw("FOREIGN")) {
      need_kw("KEY");
      k.k = key_def::kind::foreign;
      for (auto& n : name_list()) k.columns.push_back({n, false});
      references(k);
    } else if (eat_kw("CHECK")) {
      k.k = key_def::kind::check;
      if (eat_kw("NOT")) need_kw("FOR"), need_kw("REPLICATION");
      k.check_text = parens_text();
    } else if (eat_kw("DEFAULT")) {
      k.k = key_def::kind::fallback;
      expr_ptr e = expression();
      k.default_text = stored_default_text(*e);
      need_kw("FOR");
      k.columns.push_back({ident(), false});
      eat_kw("WITH") && (need_kw("VALUES"), true);
    } else {
      fail();
    }
    return k;
  }

  column_def column(create_table_stmt& ct, int column_no) {
    column_def c;
    c.name = ident();
    if (eat_kw("AS")) {
      // A computed column: kept as SQL Server keeps it, ([Qty]*[Price]),
      // or as written when it cannot be put in that form.
      const size_t from = cur().pos;
      expr_ptr e = expression();
      std::string written(src_.substr(from, cur().pos - from));
      try {
        c.computed = stored_default_text(*e);
        // An operator already brings its parentheses: ([Qty]*[Price]).
        if (e->k == expr::kind::binary) c.computed = c.computed->substr(1, c.computed->size() - 2);
      } catch (const sql_error&) {
        while (!written.empty() && std::isspace(static_cast<unsigned char>(written.back())))
          written.pop_back();
        c.computed = written.front() == '(' ? written : "(" + written + ")";
      }
      c.type = make_type("int", {}, column_no);
      if (eat_kw("PERSISTED")) {
        c.persisted = true;
        if (is_kw("NOT") && peek_kw(1, "NULL")) {
          p_ += 2;
          c.nullable = false;
        }
      }
      // Keys over a computed column are taken as on any other column.
      for (;;) {
        if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("REFERENCES") ||
            is_kw("FOREIGN") || is_kw("CHECK")) {
          std::string name;
          if (eat_kw("CONSTRAINT")) name = ident();
          key_def k;
          k.name = name;
          k.columns.push_back({c.name, false});
          if (eat_kw("PRIMARY")) {
            need_kw("KEY");
            k.k = key_def::kind::primary;
            k.clustered = clustering();
          } else if (eat_kw("UNIQUE")) {
            k.k = key_def::kind::unique;
            k.clustered = clustering();
          } else if (eat_kw("CHECK")) {
            k.k = key_def::kind::check;
            k.check_text = parens_text();
          } else {
            eat_kw("FOREIGN");
            eat_kw("KEY");
            k.k = key_def::kind::foreign;
            references(k);
          }
          ct.keys.push_back(std::move(k));
        } else {
          break;
        }
      }
      return c;
    }
    const size_t at = p_;
    try {
      c.type = type(column_no);
    } catch (const sql_error& e) {
      // Not a system type: maybe one of the database's own, resolved when the table is made.
      if (e.number() != 2715) throw;
      p_ = at;
      c.alias = object();
      if (is_op("(")) throw;
      c.type = make_type("int", {}, column_no);
    }
    for (;;) {
      if (eat_kw("NULL")) {
        c.nullable = true;
      } else if (is_kw("NOT") && peek_kw(1, "NULL")) {
        p_ += 2;
        c.nullable = false;
      } else if (eat_kw("IDENTITY")) {
        if (eat_op("(")) {
          c.seed = integer();
          need_op(",");
          c.increment = integer();
          need_op(")");
        }
        c.identity = true;
      } else if (eat_kw("COLLATE")) {
        ident();
      } else if (is_kw("CONSTRAINT") || is_kw("DEFAULT") || is_kw("PRIMARY") || is_kw("UNIQUE") ||
                 is_kw("REFERENCES") || is_kw("FOREIGN") || is_kw("CHECK")) {
        std::string name;
        if (eat_kw("CONSTRAINT")) name = ident();
        if (eat_kw("DEFAULT")) {
          expr_ptr e = expression();
          c.default_text = stored_default_text(*e);
          c.default_name = name;
          continue;
        }
        key_def k;
        k.name = name;
        k.columns.push_back({c.name, false});
        if (eat_kw("PRIMARY")) {
          need_kw("KEY");
          k.k = key_def::kind::primary;
          k.clustered = clustering();
        } else if (eat_kw("UNIQUE")) {
          k.k = key_def::kind::unique;
          k.clustered = clustering();
        } else if (is_kw("REFERENCES") || eat_kw("FOREIGN")) {
          eat_kw("KEY");
          k.k = key_def::kind::foreign;
          references(k);
        } else if (eat_kw("CHECK")) {
          k.k = key_def::kind::check;
          k.check_text = parens_text();
        } else {
          fail();
        }
        ct.keys.push_back(std::move(k));
      } else if (eat_kw("ROWGUIDCOL") || eat_kw("SPARSE")) {
      } else {
        break;
      }
    }
    return c;
  }

  statement insert() {
    need_kw("INSERT");
    eat_kw("INTO");
    insert_stmt ins;
    ins.table = object();
    if (is_op("(") && !peek_kw(1, "SELECT")) ins.columns = name_list();
    if (eat_kw("DEFAULT")) {
      need_kw("VALUES");
      ins.default_values = true;
      return ins;
    }
    if (is_kw("SELECT") || (is_op("(") && peek_kw(1, "SELECT"))) {
      bool paren = eat_op("(");
      ins.select = std::make_shared<select_stmt>(select());
      if (paren) need_op(")");
      return ins;
    }
    need_kw("VALUES");
    do {
      need_op("(");
      std::vector<expr_ptr> row;
      do {
        if (eat_kw("DEFAULT"))
          row.push_back(nullptr);
        else
          row.push_back(expression());
      } while (eat_op(","));
      need_op(")");
      ins.rows.push_back(std::move(row));
    } while (eat_op(","));
    return ins;
  }

  statement exec() {
    ++p_;
    return exec_body();
  }

  statement exec_body() {
    exec_stmt e;
    object_name o = object();
    e.proc = o.name;
    if (cur().kind == tok::end || is_op(";")) return e;
    do {
      std::string name;
      if (cur().kind == tok::variable && peek(1).kind == tok::op && peek(1).text == "=") {
        name = lower(cur().text);
        p_ += 2;
      }
      expr_ptr v;
      if (cur().kind == tok::quoted_ident || (cur().kind == tok::ident && !reserved(cur().text) &&
                                              !(peek(1).kind == tok::op && peek(1).text == "("))) {
        // Bare words and [names] pass as strings, as the server allows.
        v = std::make_unique<expr>();
        v->lit = value::of_text(cur().text);
        v->unicode = true;
        ++p_;
      } else if (eat_kw("NULL")) {
        v = std::make_unique<expr>();
      } else {
        v = primary();
      }
      e.args.emplace_back(std::move(name), std::move(v));
    } while (eat_op(","));
    return e;
  }

  statement set() {
    need_kw("SET");
    if (cur().kind == tok::variable) {
      set_variable_stmt v;
      v.name = lower(cur().text);
      ++p_;
      need_op("=");
      v.e = expression();
      return v;
    }
    if (eat_kw("IDENTITY_INSERT")) {
      set_identity_insert_stmt s;
      s.table = object();
      if (eat_kw("ON"))
        s.on = true;
      else if (eat_kw("OFF"))
        s.on = false;
      else
        fail();
      return s;
    }
    if (eat_kw("TRANSACTION")) {
      // Each statement commits by itself: every isolation level reads committed data.
      need_kw("ISOLATION");
      need_kw("LEVEL");
      set_option_stmt s{"isolation", ""};
      if (eat_kw("READ")) {
        if (!eat_kw("COMMITTED") && !eat_kw("UNCOMMITTED")) fail();
      } else if (eat_kw("REPEATABLE")) {
        need_kw("READ");
      } else if (!eat_kw("SNAPSHOT") && !eat_kw("SERIALIZABLE")) {
        fail();
      }
      return s;
    }
    // Session options: NOCOUNT and TEXTSIZE count, the others (ANSI_NULLS,
    // ...) change nothing here.
    set_option_stmt s;
    s.option = lower(ident());
    while (eat_op(",")) ident();
    if (eat_kw("ON")) {
      s.setting = "on";
    } else if (eat_kw("OFF")) {
      s.setting = "off";
    } else {
      if (cur().kind == tok::number || cur().kind == tok::ident)
        s.setting = cur().text;
      else if (is_op("-") && peek(1).kind == tok::number)
        s.setting = "-" + peek(1).text, ++p_;
      else
        fail();
      ++p_;
    }
    return s;
  }

  statement drop() {
    need_kw("DROP");
    if (is_kw("VIEW") || is_kw("PROCEDURE") || is_kw("PROC") || is_kw("FUNCTION") ||
        is_kw("TRIGGER") || is_kw("TYPE") || is_kw("INDEX")) {
      drop_object_stmt d;
      d.kind = cur().text;
      for (char& c : d.kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (d.kind == "PROC") d.kind = "PROCEDURE";
      ++p_;
      if (is_kw("IF") && peek_kw(1, "EXISTS")) {
        p_ += 2;
        d.if_exists = true;
      }
      d.name = object();
      if (d.kind == "INDEX") {
        if (eat_kw("ON")) {
          d.table = object();
        } else {
          // DROP INDEX table.index
          object_name t;
          t.schema = d.name.db;
          t.name = d.name.schema;
          if (t.name.empty()) fail();
          d.table = t;
          d.name = object_name{"", "", d.name.name};
        }
      }
      return d;
    }
    need_kw("TABLE");
    drop_table_stmt d;
    if (is_kw("IF") && peek_kw(1, "EXISTS")) {
      p_ += 2;
      d.if_exists = true;
    }
    d.name = object();
    return d;
  }

  statement del() {
    need_kw("DELETE");
    eat_kw("FROM");
    delete_stmt d;
    d.table = object();
    if (eat_kw("WHERE")) d.where = expression();
    return d;
  }

  statement update() {
    need_kw("UPDATE");
    update_stmt u;
    u.table = object();
    need_kw("SET");
    do {
      std::string col = ident();
      need_op("=");
      u.sets.emplace_back(col, expression());
    } while (eat_op(","));
    if (eat_kw("WHERE")) u.where = expression();
    return u;
  }

 public:
  // One query of a UNION: no ORDER BY of its own.
  select_stmt select_core() {
    const bool saved = in_union_;
    in_union_ = true;
    select_stmt s = select();
    in_union_ = saved;
    return s;
  }

  select_stmt select() {
    depth_guard g(*this);
    need_kw("SELECT");
    select_stmt s;
    if (eat_kw("DISTINCT"))
      s.distinct = true;
    else
      eat_kw("ALL");
    if (eat_kw("TOP")) {
      bool paren = eat_op("(");
      s.top = integer();
      if (paren) need_op(")");
      if (*s.top < 0)
        throw err::generic(1060,
                           "The number of rows provided for a TOP or FETCH clauses row count "
                           "parameter must be an integer.");
    }
    do {
      select_item it;
      if (is_op("*")) {
        ++p_;
        it.e = std::make_unique<expr>();
        it.e->k = expr::kind::star;
      } else if ((cur().kind == tok::ident || cur().kind == tok::quoted_ident) &&
                 peek(1).kind == tok::op && peek(1).text == "." && peek(2).kind == tok::op &&
                 peek(2).text == "*") {
        it.e = std::make_unique<expr>();
        it.e->k = expr::kind::star;
        it.e->names.push_back(cur().text);
        p_ += 3;
      } else {
        if ((cur().kind == tok::ident || cur().kind == tok::quoted_ident) &&
            peek(1).kind == tok::op && peek(1).text == "=" && !reserved(cur().text)) {
          it.alias = cur().text;  // alias = expression
          p_ += 2;
        }
        it.e = expression();
        if (eat_kw("AS")) {
          if (cur().kind == tok::string || cur().kind == tok::nstring) {
            it.alias = cur().text;
            ++p_;
          } else {
            it.alias = ident();
          }
        } else if (cur().kind == tok::quoted_ident || cur().kind == tok::string ||
                   (cur().kind == tok::ident && !reserved(cur().text))) {
          it.alias = cur().text;
          ++p_;
        }
      }
      s.items.push_back(std::move(it));
    } while (eat_op(","));
    if (eat_kw("FROM")) {
      do s.from.push_back(table_source());
      while (eat_op(","));
    }
    if (eat_kw("WHERE")) s.where = expression();
    if (eat_kw("GROUP")) {
      need_kw("BY");
      do s.group_by.push_back(expression());
      while (eat_op(","));
    }
    if (eat_kw("HAVING")) s.having = expression();
    while (!in_union_ && is_kw("UNION")) {
      ++p_;
      bool all = eat_kw("ALL");
      if (!is_kw("SELECT")) fail();
      auto next = std::make_shared<select_stmt>(select_core());
      s.unions.emplace_back(all, std::move(next));
    }
    if (!in_union_ && eat_kw("ORDER")) {
      need_kw("BY");
      do {
        order_item o;
        o.e = expression();
        if (eat_kw("DESC"))
          o.desc = true;
        else
          eat_kw("ASC");
        s.order_by.push_back(std::move(o));
      } while (eat_op(","));
    }
    return s;
  }

 private:
  table_ref single_source() {
    table_ref r;
    if (eat_op("(")) {
      if (!is_kw("SELECT")) fail();
      r.derived = std::make_shared<select_stmt>(select());
      need_op(")");
      eat_kw("AS");
      r.alias = ident();
      return r;
    }
    r.table = object();
    if (eat_kw("AS"))
      r.alias = ident();
    else if (cur().kind == tok::quoted_ident || (cur().kind == tok::ident && !reserved(cur().text)))
      r.alias = ident();
    if (is_kw("WITH") && peek(1).kind == tok::op && peek(1).text == "(") {
      ++p_;
      skip_parens();  // table hints
    }
    return r;
  }

  table_ref table_source() {
    depth_guard g(*this);
    table_ref r = single_source();
    for (;;) {
      table_ref::join j;
      if (eat_kw("CROSS")) {
        need_kw("JOIN");
        j.t = table_ref::join::type::cross;
      } else if (eat_kw("JOIN")) {
        j.t = table_ref::join::type::inner;
      } else if (eat_kw("INNER")) {
        need_kw("JOIN");
        j.t = table_ref::join::type::inner;
      } else if (is_kw("LEFT") || is_kw("RIGHT") || is_kw("FULL")) {
        j.t = is_kw("LEFT")    ? table_ref::join::type::left
              : is_kw("RIGHT") ? table_ref::join::type::right
                               : table_ref::join::type::full;
        ++p_;
        eat_kw("OUTER");
        need_kw("JOIN");
      } else {
        break;
      }
      j.right = std::make_unique<table_ref>(single_source());
      if (j.t != table_ref::join::type::cross) {
        need_kw("ON");
        j.on = expression();
      }
      r.joins.push_back(std::move(j));
    }
    return r;
  }

  expr_ptr make(expr::kind k) {
    auto e = std::make_unique<expr>();
    e->k = k;
    return e;
  }

 public:
  expr_ptr expression() {
    depth_guard g(*this);
    return or_expr();
  }

 private:
  expr_ptr or_expr() {
    expr_ptr l = and_expr();
    while (eat_kw("OR")) {
      auto e = make(expr::kind::binary);
      e->op = "OR";
      e->args.push_back(std::move(l));
      e->args.push_back(and_expr());
      l = std::move(e);
    }
    return l;
  }
  expr_ptr and_expr() {
    expr_ptr l = not_expr();
    while (eat_kw("AND")) {
      auto e = make(expr::kind::binary);
      e->op = "AND";
      e->args.push_back(std::move(l));
      e->args.push_back(not_expr());
      l = std::move(e);
    }
    return l;
  }
  expr_ptr not_expr() {
    if (eat_kw("NOT")) {
      depth_guard g(*this);
      auto e = make(expr::kind::unary);
      e->op = "NOT";
      e->args.push_back(not_expr());
      return e;
    }
    return predicate();
  }
  expr_ptr predicate() {
    expr_ptr l = additive();
    if (cur().kind == tok::op) {
      static const char* const kCmp[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
      for (const char* op : kCmp) {
        if (cur().text == op) {
          ++p_;
          auto e = make(expr::kind::binary);
          e->op = op;
          if (e->op == "!=") e->op = "<>";
          if (e->op == "!<") e->op = ">=";
          if (e->op == "!>") e->op = "<=";
          e->args.push_back(std::move(l));
          e->args.push_back(additive());
          return e;
        }
      }
    }
    if (eat_kw("IS")) {
      auto e = make(expr::kind::is_null);
      e->negated = eat_kw("NOT");
      need_kw("NULL");
      e->args.push_back(std::move(l));
      return e;
    }
    bool negated = false;
    if (is_kw("NOT") && (peek_kw(1, "LIKE") || peek_kw(1, "IN") || peek_kw(1, "BETWEEN"))) {
      ++p_;
      negated = true;
    }
    if (eat_kw("LIKE")) {
      auto e = make(expr::kind::like);
      e->negated = negated;
      e->args.push_back(std::move(l));
      e->args.push_back(additive());
      return e;
    }
    if (eat_kw("IN")) {
      auto e = make(expr::kind::in_list);
      e->negated = negated;
      e->args.push_back(std::move(l));
      need_op("(");
      if (is_kw("SELECT")) {
        auto sq = make(expr::kind::subquery);
        sq->sub = std::make_shared<select_stmt>(select());
        e->args.push_back(std::move(sq));
      } else {
        do e->args.push_back(expression());
        while (eat_op(","));
      }
      need_op(")");
      return e;
    }
    if (eat_kw("BETWEEN")) {
      auto e = make(expr::kind::between);
      e->negated = negated;
      e->args.push_back(std::move(l));
      e->args.push_back(additive());
      need_kw("AND");
      e->args.push_back(additive());
      return e;
    }
    if (negated) fail();
    return l;
  }
  expr_ptr additive() {
    expr_ptr l = multiplicative();
    while (is_op("+") || is_op("-") || is_op("&") || is_op("|") || is_op("^")) {
      auto e = make(expr::kind::binary);
      e->op = cur().text;
      ++p_;
      e->args.push_back(std::move(l));
      e->args.push_back(multiplicative());
      l = std::move(e);
    }
    return l;
  }
  expr_ptr multiplicative() {
    expr_ptr l = unary();
    while (is_op("*") || is_op("/") || is_op("%")) {
      auto e = make(expr::kind::binary);
      e->op = cur().text;
      ++p_;
      e->args.push_back(std::move(l));
      e->args.push_back(unary());
      l = std::move(e);
    }
    return l;
  }
  expr_ptr unary() {
    if (is_op("-") || is_op("+") || is_op("~")) {
      depth_guard g(*this);
      std::string op = cur().text;
      ++p_;
      auto e = make(expr::kind::unary);
      e->op = op;
      e->args.push_back(unary());
      return e;
    }
    return primary();
  }

 public:
  expr_ptr primary() {
    depth_guard g(*this);
    const token& t = cur();
    switch (t.kind) {
      case tok::number: {
        auto e = make(expr::kind::literal);
        if (t.is_float) {
          double d = std::strtod(t.text.c_str(), nullptr);
          if (!std::isfinite(d))
            throw err::generic(232,
                               "Arithmetic overflow error for type float, value = " + t.text + ".");
          e->lit = value::of_real(d);
        } else if (t.text.find('.') == std::string::npos && t.text.size() <= 18) {
          e->lit = value::of_int(std::stoll(t.text));
        } else {
          e->lit = value::of_number(t.text);
        }
        e->money = t.is_money;
        ++p_;
        return e;
      }
      case tok::string:
      case tok::nstring: {
        auto e = make(expr::kind::literal);
        e->lit = value::of_text(t.text);
        e->unicode = t.kind == tok::nstring;
        ++p_;
        return e;
      }
      case tok::binary: {
        auto e = make(expr::kind::literal);
        e->lit = value::of_blob(t.text);
        ++p_;
        return e;
      }
      case tok::variable: {
        auto e = make(expr::kind::variable);
        e->op = lower(t.text);
        ++p_;
        return e;
      }
      case tok::op:
        if (t.text == "(") {
          ++p_;
          if (is_kw("SELECT")) {
            auto e = make(expr::kind::subquery);
            e->sub = std::make_shared<select_stmt>(select());
            need_op(")");
            return e;
          }
          expr_ptr e = expression();
          need_op(")");
          e->parenthesized = true;
          return e;
        }
        fail();
      case tok::ident:
        if (iequal(t.text, "NULL")) {
          ++p_;
          return make(expr::kind::literal);
        }
        if (iequal(t.text, "CASE")) return case_expr();
        if (iequal(t.text, "EXISTS")) {
          ++p_;
          need_op("(");
          auto e = make(expr::kind::subquery);
          e->op = "exists";
          e->sub = std::make_shared<select_stmt>(select());
          need_op(")");
          return e;
        }
        if (iequal(t.text, "CAST")) {
          ++p_;
          need_op("(");
          auto e = make(expr::kind::cast);
          e->args.push_back(expression());
          need_kw("AS");
          e->type = type(1);
          need_op(")");
          return e;
        }
        if (iequal(t.text, "CONVERT")) {
          ++p_;
          need_op("(");
          auto e = make(expr::kind::cast);
          e->type = type(1);
          need_op(",");
          e->args.push_back(expression());
          if (eat_op(",")) e->args.push_back(expression());
          need_op(")");
          return e;
        }
        if (peek(1).kind == tok::op && peek(1).text == "(" &&
            (!reserved(t.text) || iequal(t.text, "LEFT") || iequal(t.text, "RIGHT")))
          return function();
        [[fallthrough]];
      case tok::quoted_ident: {
        auto e = make(expr::kind::column);
        e->names.push_back(ident());
        while (is_op(".")) {
          ++p_;
          e->names.push_back(ident());
        }
        if (e->names.size() > 4) fail();
        return e;
      }
      case tok::end:
        fail();
    }
    fail();
  }

 private:
  expr_ptr function() {
    auto e = make(expr::kind::func);
    e->op = lower(cur().text);
    p_ += 2;
    if (e->op == "count" && is_op("*")) {
      ++p_;
      e->count_star = true;
      need_op(")");
      return e;
    }
    if (eat_op(")")) return e;
    if (eat_kw("DISTINCT"))
      e->distinct = true;
    else
      eat_kw("ALL");
    do e->args.push_back(expression());
    while (eat_op(","));
    need_op(")");
    return e;
  }

  expr_ptr case_expr() {
    ++p_;
    auto e = make(expr::kind::case_when);
    // args: [operand or null], then pairs of when/then, then else or null.
    if (!is_kw("WHEN"))
      e->args.push_back(expression());
    else
      e->args.push_back(nullptr);
    if (!is_kw("WHEN")) fail();
    while (eat_kw("WHEN")) {
      e->args.push_back(expression());
      need_kw("THEN");
      e->args.push_back(expression());
    }
    if (eat_kw("ELSE"))
      e->args.push_back(expression());
    else
      e->args.push_back(nullptr);
    need_kw("END");
    return e;
  }
};

std::string default_inner(const expr& e) {
  switch (e.k) {
    case expr::kind::literal: {
      const value& v = e.lit;
      switch (v.k) {
        case value::kind::null:
          return "NULL";
        case value::kind::integer:
          return "(" + std::to_string(v.i) + ")";
        case value::kind::number:
          return "(" + v.s + ")";
        case value::kind::real: {
          char b[40];
          std::snprintf(b, sizeof b, "(%.17g)", v.r);
          return b;
        }
        case value::kind::blob: {
          static const char kHex[] = "0123456789ABCDEF";
          std::string s = "(0x";
          for (unsigned char c : v.s) {
            s += kHex[c >> 4];
            s += kHex[c & 15];
          }
          return s + ")";
        }
        case value::kind::text: {
          std::string s = e.unicode ? "N'" : "'";
          for (char c : v.s) {
            s += c;
            if (c == '\'') s += '\'';
          }
          return s + "'";
        }
      }
      return "NULL";
    }
    case expr::kind::unary:
      if (e.op == "-" && e.args[0]->k == expr::kind::literal) {
        std::string inner = default_inner(*e.args[0]);
        if (inner.size() > 2 && inner.front() == '(') return "(-" + inner.substr(1);
        return "(-" + inner + ")";
      }
      return e.op + default_inner(*e.args[0]);
    case expr::kind::func: {
      std::string s = e.op + "(";
      // A date function's part is a bare word: dateadd(day,(30),getdate()).
      const bool part = e.op == "dateadd" || e.op == "datediff" || e.op == "datepart" ||
                        e.op == "datename";
      for (size_t i = 0; i < e.args.size(); ++i) {
        if (i) s += ",";
        if (i == 0 && part && e.args[0]->k == expr::kind::column && e.args[0]->names.size() == 1)
          s += e.args[0]->names[0];
        else
          s += default_inner(*e.args[i]);
      }
      return s + ")";
    }
    case expr::kind::variable:
      return e.op;
    case expr::kind::binary:
      return "(" + default_inner(*e.args[0]) + e.op + default_inner(*e.args[1]) + ")";
    case expr::kind::column:
      return "[" + e.names.back() + "]";
    case expr::kind::cast: {
      // CONVERT([varchar](10),getdate(),(120)), as SQL Server keeps CAST and CONVERT.
      std::string type = declaration(e.type);
      const size_t paren = type.find('(');
      type = "[" + type.substr(0, paren) + "]" +
             (paren == std::string::npos ? "" : type.substr(paren));
      std::string s = "CONVERT(" + type;
      for (const auto& a : e.args) s += "," + default_inner(*a);
      return s + ")";
    }
    default:
      // Never kept as something else: the rows would silently get another value.
      throw err::generic(40000, "This DEFAULT expression is not supported by this server yet.");
  }
}

}  // namespace

std::string stored_default_text(const expr& e) {
  return "(" + default_inner(e) + ")";
}

std::vector<statement> parse_batch(std::string_view sql, std::vector<size_t>* starts) {
  parser p(sql, tokenize(sql));
  return p.batch(starts);
}

}  // namespace tsl::mssql
