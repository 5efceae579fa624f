#include "embedded/oracle/parser.h"

#include <cstring>

#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/tokenizer.h"

namespace tsl::eora {

namespace {

class parser {
 public:
  parser(std::string_view sql, size_t max_name) : sql_(sql), t_(tokenize(sql, max_name)) {}

  expr_ptr lone_expression() {
    expr_ptr e = expression();
    finish();
    return e;
  }

  stmt_ptr statement() {
    if (peek().kind == token_kind::end) throw make_error(900);
    stmt_ptr s;
    if (is_word("SELECT")) {
      s = select();
    } else if (accept_word("INSERT")) {
      s = insert();
    } else if (accept_word("UPDATE")) {
      s = update();
    } else if (accept_word("DELETE")) {
      s = delete_();
    } else if (accept_word("CREATE")) {
      s = create();
    } else if (accept_word("ALTER")) {
      s = alter();
    } else if (accept_word("DROP")) {
      s = drop();
    } else if (accept_word("COMMIT")) {
      accept_word("WORK");
      s = std::make_unique<commit_stmt>(true);
    } else if (accept_word("ROLLBACK")) {
      accept_word("WORK");
      s = std::make_unique<commit_stmt>(false);
    } else if (is_sym("(")) {
      s = select();
    } else {
      throw make_error(900);
    }
    finish();
    s->placeholders = std::move(placeholders_);
    return s;
  }

 private:
  // Nesting beyond this is refused before the parser's own recursion could
  // run out of stack.
  static constexpr int kMaxDepth = 255;
  struct depth_guard {
    explicit depth_guard(parser& pp) : p(pp) {
      if (++p.depth_ > kMaxDepth) {
        --p.depth_;
        throw make_error(1778);
      }
    }
    ~depth_guard() { --p.depth_; }
    parser& p;
  };
  // ---- token helpers ----
  const token& peek(size_t k = 0) const {
    size_t i = p_ + k;
    return i < t_.size() ? t_[i] : t_.back();
  }
  const token& next() {
    const token& r = peek();
    if (p_ < t_.size() - 1) ++p_;
    return r;
  }
  bool is_word(const char* w, size_t k = 0) const {
    return peek(k).kind == token_kind::name && peek(k).text == w;
  }
  bool accept_word(const char* w) {
    if (!is_word(w)) return false;
    next();
    return true;
  }
  void expect_word(const char* w, int code) {
    if (!accept_word(w)) fail(code);
  }
  bool is_sym(const char* s, size_t k = 0) const {
    return peek(k).kind == token_kind::symbol && peek(k).text == s;
  }
  bool accept_sym(const char* s) {
    if (!is_sym(s)) return false;
    next();
    return true;
  }
  void expect_sym(const char* s, int code) {
    if (!accept_sym(s)) fail(code);
  }
  // Oracle reports an unexpected end of the text as ORA-00921 for most
  // constructs, and otherwise the error of what it expected.
  [[noreturn]] void fail(int code) {
    if (peek().kind == token_kind::symbol && peek().text == ";") throw make_error(911);
    throw make_error(code);
  }
  void finish() {
    if (peek().kind == token_kind::end) return;
    if (is_sym(";")) throw make_error(911);
    throw make_error(933);
  }

  // A name: an unquoted word that is not reserved, or a quoted name.
  // `code` is the error when there is none: 903 for tables, 904 otherwise.
  std::string name(int code = 904) {
    const token& tk = peek();
    if (tk.kind == token_kind::quoted_name) return next().text;
    if (tk.kind == token_kind::name && !is_reserved(tk.text)) return next().text;
    if (code == 904) throw make_error(904, {""});
    fail(code);
  }
  bool at_name() const {
    const token& tk = peek();
    return tk.kind == token_kind::quoted_name ||
           (tk.kind == token_kind::name && !is_reserved(tk.text));
  }
  // [schema.]name; the schema, when given, must be the table's owner.
  std::string object_name(int code, std::string* owner = nullptr) {
    std::string n = name(code);
    if (accept_sym(".")) {
      if (owner) *owner = n;
      n = name(code);
    }
    return n;
  }
  // A table of DML: "OWNER.NAME" when the owner is given.
  std::string owned_name() {
    std::string owner;
    std::string n = object_name(903, &owner);
    return owner.empty() ? n : owner + "." + n;
  }
  std::vector<std::string> name_list() {
    expect_sym("(", 906);
    std::vector<std::string> out;
    do {
      out.push_back(name());
    } while (accept_sym(","));
    expect_sym(")", 907);
    return out;
  }
  std::string text_between(size_t from_token, size_t to_token) const {
    size_t b = t_[from_token].offset;
    size_t e = t_[to_token].offset;
    return std::string(sql_.substr(b, e - b));
  }
  int small_int(int code) {
    const token& tk = peek();
    bool neg = false;
    if (is_sym("-")) {
      next();
      neg = true;
    }
    if (peek().kind != token_kind::number) fail(code);
    auto d = decimal::parse(peek().text);
    next();
    if (!d || d->integer_digits() > 9 || d->exponent() < 0) {
      (void)tk;
      throw make_error(code);
    }
    int v = static_cast<int>(d->to_int64());
    return neg ? -v : v;
  }

  // ---- types ----
  column_type type() {
    column_type ct;
    const token& tk = peek();
    if (tk.kind != token_kind::name) fail(902);
    std::string w = next().text;
    auto length = [&](int max, bool allow_char, bool required, int def) {
      if (!accept_sym("(")) {
        if (required) fail(906);
        ct.length = def;
        return;
      }
      int n = small_int(910);
      if (allow_char) {
        if (accept_word("CHAR"))
          ct.char_semantics = true;
        else
          accept_word("BYTE");
      }
      expect_sym(")", 907);
      if (n == 0) throw make_error(1723);
      if (n < 0) throw make_error(910);
      if (n > max) throw make_error(910);
      ct.length = n;
    };
    if (w == "NUMBER" || w == "DECIMAL" || w == "NUMERIC" || w == "DEC") {
      ct.code = type_code::number;
      if (accept_sym("(")) {
        if (accept_sym("*")) {
          ct.precision = -1;
        } else {
          ct.precision = small_int(1727);
          if (ct.precision < 1 || ct.precision > 38) throw make_error(1727);
        }
        if (accept_sym(",")) {
          ct.scale = small_int(1728);
          if (ct.scale < -84 || ct.scale > 127) throw make_error(1728);
        } else if (ct.precision >= 0) {
          ct.scale = 0;
        }
        expect_sym(")", 907);
      } else if (w != "NUMBER") {
        ct.precision = 38;
        ct.scale = 0;
      }
    } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
      ct.code = type_code::number;
      ct.scale = 0;
    } else if (w == "FLOAT") {
      ct.code = type_code::float_;
      ct.precision = 126;
      if (accept_sym("(")) {
        ct.precision = small_int(1724);
        if (ct.precision < 1 || ct.precision > 126) throw make_error(1724);
        expect_sym(")", 907);
      }
    } else if (w == "BINARY_FLOAT") {
      ct.code = type_code::binary_float;
    } else if (w == "BINARY_DOUBLE") {
      ct.code = type_code::binary_double;
    } else if (w == "REAL") {
      ct.code = type_code::float_;
      ct.precision = 63;
    } else if (w == "DOUBLE") {
      expect_word("PRECISION", 902);
      ct.code = type_code::float_;
      ct.precision = 126;
    } else if (w == "VARCHAR2" || w == "VARCHAR") {
      ct.code = type_code::varchar2;
      length(4000, true, true, 0);
    } else if (w == "NVARCHAR2") {
      ct.code = type_code::nvarchar2;
      ct.char_semantics = true;
      length(2000, false, true, 0);
    } else if (w == "CHAR" || w == "CHARACTER") {
      ct.code = type_code::char_;
      if (accept_word("VARYING")) {
        ct.code = type_code::varchar2;
        length(4000, true, true, 0);
      } else {
        length(2000, true, false, 1);
      }
    } else if (w == "NCHAR") {
      ct.code = type_code::nchar;
      ct.char_semantics = true;
      if (accept_word("VARYING")) {
        ct.code = type_code::nvarchar2;
        length(2000, false, true, 0);
      } else {
        length(1000, false, false, 1);
      }
    } else if (w == "DATE") {
      ct.code = type_code::date;
    } else if (w == "RAW") {
      ct.code = type_code::raw;
      length(2000, false, true, 0);
    } else if (w == "CLOB") {
      ct.code = type_code::clob;
    } else if (w == "NCLOB") {
      ct.code = type_code::nclob;
    } else if (w == "BLOB") {
      ct.code = type_code::blob;
    } else if (w == "LONG") {
      ct.code = type_code::long_;
    } else if (w == "ROWID") {
      ct.code = type_code::rowid;
    } else {
      throw make_error(902);
    }
    return ct;
  }

  // ---- expressions ----
  expr_ptr make(expr_kind k) {
    auto e = std::make_unique<expr>();
    e->kind = k;
    return e;
  }
  expr_ptr expression() {
    size_t start = p_;
    expr_ptr e = or_expr();
    e->text = text_between(start, p_);
    while (!e->text.empty() && std::strchr(" \t\r\n", e->text.back())) e->text.pop_back();
    return e;
  }
  expr_ptr binary(std::string op, expr_ptr l, expr_ptr r) {
    auto e = make(expr_kind::binary);
    e->op = std::move(op);
    e->args.push_back(std::move(l));
    e->args.push_back(std::move(r));
    return e;
  }
  expr_ptr or_expr() {
    depth_guard g(*this);
    expr_ptr l = and_expr();
    while (accept_word("OR")) l = binary("OR", std::move(l), and_expr());
    return l;
  }
  expr_ptr and_expr() {
    expr_ptr l = not_expr();
    while (accept_word("AND")) l = binary("AND", std::move(l), not_expr());
    return l;
  }
  expr_ptr not_expr() {
    if (accept_word("NOT")) {
      depth_guard g(*this);
      auto e = make(expr_kind::unary);
      e->op = "NOT";
      e->args.push_back(not_expr());
      return e;
    }
    return comparison();
  }
  expr_ptr comparison() {
    expr_ptr l = additive();
    static const char* const ops[] = {"=", "<>", "!=", "^=", "<=", ">=", "<", ">"};
    for (const char* op : ops) {
      if (accept_sym(op)) {
        std::string o = op;
        if (o == "!=" || o == "^=") o = "<>";
        return binary(o, std::move(l), additive());
      }
    }
    if (accept_word("IS")) {
      auto e = make(expr_kind::is_null);
      e->negated = accept_word("NOT");
      expect_word("NULL", 908);
      e->args.push_back(std::move(l));
      return e;
    }
    bool negated = false;
    if (is_word("NOT") && (is_word("LIKE", 1) || is_word("IN", 1) || is_word("BETWEEN", 1))) {
      next();
      negated = true;
    }
    if (accept_word("LIKE")) {
      auto e = make(expr_kind::like);
      e->negated = negated;
      e->args.push_back(std::move(l));
      e->args.push_back(additive());
      return e;
    }
    if (accept_word("IN")) {
      auto e = make(expr_kind::in_list);
      e->negated = negated;
      e->args.push_back(std::move(l));
      expect_sym("(", 906);
      do {
        e->args.push_back(additive());
      } while (accept_sym(","));
      expect_sym(")", 907);
      return e;
    }
    if (accept_word("BETWEEN")) {
      auto e = make(expr_kind::between);
      e->negated = negated;
      e->args.push_back(std::move(l));
      e->args.push_back(additive());
      expect_word("AND", 905);
      e->args.push_back(additive());
      return e;
    }
    return l;
  }
  expr_ptr additive() {
    expr_ptr l = multiplicative();
    while (true) {
      if (accept_sym("+"))
        l = binary("+", std::move(l), multiplicative());
      else if (accept_sym("-"))
        l = binary("-", std::move(l), multiplicative());
      else if (accept_sym("||"))
        l = binary("||", std::move(l), multiplicative());
      else
        return l;
    }
  }
  expr_ptr multiplicative() {
    expr_ptr l = unary();
    while (true) {
      if (accept_sym("*"))
        l = binary("*", std::move(l), unary());
      else if (accept_sym("/"))
        l = binary("/", std::move(l), unary());
      else
        return l;
    }
  }
  expr_ptr unary() {
    if (is_sym("-") || is_sym("+")) {
      depth_guard g(*this);
      std::string op = next().text;
      auto e = make(expr_kind::unary);
      e->op = op;
      e->args.push_back(unary());
      return e;
    }
    return primary();
  }
  expr_ptr primary() {
    const token& tk = peek();
    switch (tk.kind) {
      case token_kind::number: {
        auto e = make(expr_kind::literal);
        auto d = decimal::parse(next().text);
        if (!d) throw make_error(1722);
        e->literal = value::number(*d);
        return e;
      }
      case token_kind::string: {
        auto e = make(expr_kind::literal);
        e->literal = value::text(next().text);
        return e;
      }
      case token_kind::bind: {
        std::string b = next().text;
        if ((b == "NEW" || b == "OLD") && accept_sym(".")) {
          auto e = make(expr_kind::column);
          e->qualifier = ":" + b;
          e->name = name();
          return e;
        }
        auto e = make(expr_kind::bind);
        e->name = b;
        e->column = static_cast<int>(placeholders_.size());
        placeholders_.push_back(b);
        return e;
      }
      case token_kind::symbol:
        if (accept_sym("(")) {
          expr_ptr e = or_expr();
          expect_sym(")", 907);
          return e;
        }
        fail(936);
      case token_kind::end:
        throw make_error(936);
      case token_kind::name:
      case token_kind::quoted_name:
        break;
    }
    bool quoted = tk.kind == token_kind::quoted_name;
    std::string w = next().text;
    if (!quoted) {
      if (w == "NULL") return make(expr_kind::literal);
      if (w == "SYSDATE") return make(expr_kind::sysdate);
      if (w == "USER") {
        auto e = make(expr_kind::function);
        e->name = w;
        return e;
      }
      if (w == "ROWID") return make(expr_kind::rowid);
      if (w == "COUNT" && is_sym("(") && is_sym("*", 1) && is_sym(")", 2)) {
        p_ += 3;
        return make(expr_kind::count_star);
      }
      if (is_reserved(w)) {
        if (w == "FROM" || w == "WHERE" || w == "ORDER") throw make_error(936);
        throw make_error(936);
      }
    }
    if (!quoted && is_sym("(")) {
      next();
      auto e = make(expr_kind::function);
      e->name = w;
      if (accept_word("DISTINCT")) e->negated = true;  // COUNT(DISTINCT x)
      if (!is_sym(")")) {
        do {
          e->args.push_back(or_expr());
        } while (accept_sym(","));
      }
      expect_sym(")", 907);
      return e;
    }
    if (accept_sym(".")) {
      if (is_word("NEXTVAL") || is_word("CURRVAL")) {
        auto e = make(expr_kind::sequence);
        e->name = w;
        e->member = next().text;
        return e;
      }
      if (accept_word("ROWID")) {
        auto e = make(expr_kind::rowid);
        e->qualifier = w;
        return e;
      }
      auto e = make(expr_kind::column);
      e->qualifier = w;
      e->name = name();
      return e;
    }
    auto e = make(expr_kind::column);
    e->name = w;
    return e;
  }

  // ---- SELECT ----
  std::unique_ptr<select_stmt> select() {
    depth_guard g(*this);
    if (accept_sym("(")) {
      auto s = select();
      expect_sym(")", 907);
      return s;
    }
    expect_word("SELECT", 928);
    auto s = std::make_unique<select_stmt>();
    if (accept_word("DISTINCT"))
      s->distinct = true;
    else
      accept_word("ALL");
    do {
      select_item item;
      if (accept_sym("*")) {
        item.star = true;
      } else if ((peek().kind == token_kind::name || peek().kind == token_kind::quoted_name) &&
                 is_sym(".", 1) && is_sym("*", 2)) {
        item.star = true;
        item.star_qualifier = next().text;
        p_ += 2;
      } else {
        if (is_word("FROM")) throw make_error(936);
        item.e = expression();
        if (accept_word("AS")) {
          item.alias = name();
        } else if (at_name() && !is_word("FROM")) {
          item.alias = name();
        }
      }
      s->items.push_back(std::move(item));
    } while (accept_sym(","));
    if (!accept_word("FROM")) fail(923);
    do {
      from_item f;
      if (is_sym("(")) {
        next();
        f.subquery = select();
        expect_sym(")", 907);
      } else {
        f.table_quoted = peek().kind == token_kind::quoted_name;
        std::string owner;
        f.table = object_name(903, &owner);
        if (!owner.empty()) f.alias = "";
        if (!owner.empty() && owner != "SYS" && owner != "PUBLIC") f.table = owner + "." + f.table;
      }
      if (at_name() && !is_word("WHERE")) f.alias = name();
      s->from.push_back(std::move(f));
      // [INNER] JOIN t ON cond joins like a comma with the condition ANDed.
      while (is_word("JOIN") || (is_word("INNER") && is_word("JOIN", 1))) {
        accept_word("INNER");
        next();
        from_item j;
        j.table = object_name(903);
        if (at_name() && !is_word("ON")) j.alias = name();
        expect_word("ON", 969);
        expr_ptr cond = or_expr();
        s->where = s->where ? binary("AND", std::move(s->where), std::move(cond)) : std::move(cond);
        s->from.push_back(std::move(j));
      }
    } while (accept_sym(","));
    if (accept_word("WHERE")) {
      expr_ptr cond = or_expr();
      s->where = s->where ? binary("AND", std::move(s->where), std::move(cond)) : std::move(cond);
    }
    if (accept_word("GROUP")) {
      expect_word("BY", 924);
      do {
        s->group_by.push_back(expression());
      } while (accept_sym(","));
    }
    if (accept_word("ORDER")) {
      expect_word("BY", 924);
      do {
        order_item o;
        o.e = expression();
        if (accept_word("DESC"))
          o.desc = true;
        else
          accept_word("ASC");
        s->order_by.push_back(std::move(o));
      } while (accept_sym(","));
    }
    if (accept_word("FOR")) {
      expect_word("UPDATE", 905);
      s->for_update = true;
      accept_word("NOWAIT");
    }
    return s;
  }

  // ---- DML ----
  stmt_ptr insert() {
    expect_word("INTO", 925);
    auto s = std::make_unique<insert_stmt>();
    s->table = owned_name();
    if (is_sym("(") && !is_word("SELECT", 1)) s->columns = name_list();
    if (is_word("SELECT") || is_sym("(")) {
      s->query = select();
      return s;
    }
    expect_word("VALUES", 926);
    expect_sym("(", 906);
    do {
      s->values.push_back(expression());
    } while (accept_sym(","));
    expect_sym(")", 917);
    if (accept_word("RETURNING") || accept_word("RETURN")) {
      do {
        s->returning.push_back(expression());
      } while (accept_sym(","));
      expect_word("INTO", 925);
      do {
        if (peek().kind != token_kind::bind) fail(1036);
        s->into.push_back(next().text);
        placeholders_.push_back(s->into.back());
      } while (accept_sym(","));
      if (s->into.size() != s->returning.size())
        throw make_error(s->into.size() < s->returning.size() ? 947 : 913);
    }
    return s;
  }
  stmt_ptr update() {
    auto s = std::make_unique<update_stmt>();
    s->table = owned_name();
    if (at_name() && !is_word("SET")) s->alias = name();
    expect_word("SET", 971);
    do {
      std::string col = name();
      if (accept_sym(".")) col = name();
      expect_sym("=", 927);
      s->sets.emplace_back(col, expression());
    } while (accept_sym(","));
    if (accept_word("WHERE")) s->where = or_expr();
    return s;
  }
  stmt_ptr delete_() {
    accept_word("FROM");
    auto s = std::make_unique<delete_stmt>();
    s->table = owned_name();
    if (at_name() && !is_word("WHERE")) s->alias = name();
    if (accept_word("WHERE")) s->where = or_expr();
    return s;
  }

  // ---- DDL ----
  stmt_ptr create() {
    bool or_replace = false;
    if (accept_word("OR")) {
      expect_word("REPLACE", 922);
      or_replace = true;
    }
    if (accept_word("TABLE")) return create_table();
    if (accept_word("SEQUENCE")) return create_sequence();
    if (accept_word("UNIQUE")) {
      expect_word("INDEX", 901);
      return create_index(true);
    }
    if (accept_word("INDEX")) return create_index(false);
    if (accept_word("TRIGGER")) return create_trigger(or_replace);
    throw make_error(901);
  }
  void default_clause(std::string& text, expr_ptr& e) {
    size_t start = p_;
    e = or_expr();
    text = text_between(start, p_);
  }
  constraint_def key_constraint(std::string cname) {
    constraint_def c;
    c.name = std::move(cname);
    if (accept_word("PRIMARY")) {
      expect_word("KEY", 905);
      c.type = 'P';
      c.columns = name_list();
    } else if (accept_word("UNIQUE")) {
      c.type = 'U';
      c.columns = name_list();
    } else if (accept_word("FOREIGN")) {
      expect_word("KEY", 905);
      c.type = 'R';
      c.columns = name_list();
      references(c);
    } else {
      fail(902);
    }
    return c;
  }
  void references(constraint_def& c) {
    expect_word("REFERENCES", 905);
    c.ref_table = object_name(903);
    if (is_sym("(")) c.ref_columns = name_list();
    if (accept_word("ON")) {
      expect_word("DELETE", 905);
      if (accept_word("CASCADE")) {
        c.delete_rule = "CASCADE";
      } else {
        expect_word("SET", 905);
        expect_word("NULL", 905);
        c.delete_rule = "SET NULL";
      }
    }
  }
  column_def column() {
    column_def c;
    c.name = name();
    // ROWID in upper case is no column name, not even quoted.
    if (c.name == "ROWID") throw make_error(904, {quoted("ROWID")});
    c.type = type();
    while (true) {
      if (accept_word("DEFAULT")) {
        default_clause(c.default_text, c.default_expr);
      } else if (accept_word("NOT")) {
        expect_word("NULL", 908);
        c.nullability = 2;
      } else if (accept_word("NULL")) {
        c.nullability = 1;
      } else if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") ||
                 is_word("REFERENCES")) {
        std::string cname;
        if (accept_word("CONSTRAINT")) cname = name();
        if (accept_word("NOT")) {
          expect_word("NULL", 908);
          c.nullability = 2;
          continue;
        }
        constraint_def k;
        k.name = cname;
        k.columns = {c.name};
        if (accept_word("PRIMARY")) {
          expect_word("KEY", 905);
          k.type = 'P';
        } else if (accept_word("UNIQUE")) {
          k.type = 'U';
        } else {
          k.type = 'R';
          references(k);
        }
        c.constraints.push_back(std::move(k));
      } else {
        break;
      }
    }
    return c;
  }
  stmt_ptr create_table() {
    auto s = std::make_unique<create_table_stmt>();
    s->name = object_name(903);
    expect_sym("(", 906);
    do {
      if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") || is_word("FOREIGN")) {
        std::string cname;
        if (accept_word("CONSTRAINT")) cname = name();
        s->constraints.push_back(key_constraint(cname));
      } else {
        s->columns.push_back(column());
      }
    } while (accept_sym(","));
    expect_sym(")", 907);
    // Storage clauses are accepted and have no effect.
    while (accept_word("TABLESPACE") || accept_word("LOGGING") || accept_word("NOLOGGING")) {
      if (at_name()) name();
    }
    return s;
  }
  std::string signed_number(int code) {
    std::string sign;
    if (accept_sym("-"))
      sign = "-";
    else
      accept_sym("+");
    if (peek().kind != token_kind::number) fail(code);
    return sign + next().text;
  }
  stmt_ptr create_sequence() {
    auto s = std::make_unique<create_sequence_stmt>();
    s->name = object_name(903);
    while (peek().kind != token_kind::end && !is_sym(";")) {
      if (accept_word("INCREMENT")) {
        expect_word("BY", 924);
        s->increment = signed_number(933);
      } else if (accept_word("START")) {
        expect_word("WITH", 924);
        s->start = signed_number(933);
      } else if (accept_word("MAXVALUE")) {
        s->max_value = signed_number(933);
      } else if (accept_word("MINVALUE")) {
        s->min_value = signed_number(933);
      } else if (accept_word("NOMAXVALUE")) {
        s->max_value.clear();
      } else if (accept_word("NOMINVALUE")) {
        s->min_value.clear();
      } else if (accept_word("CYCLE")) {
        s->cycle = true;
      } else if (accept_word("NOCYCLE")) {
        s->cycle = false;
      } else if (accept_word("ORDER")) {
        s->order = true;
      } else if (accept_word("NOORDER")) {
        s->order = false;
      } else if (accept_word("CACHE")) {
        s->cache = small_int(933);
      } else if (accept_word("NOCACHE")) {
        s->cache = 0;
      } else {
        throw make_error(933);
      }
    }
    return s;
  }
  stmt_ptr create_index(bool unique) {
    auto s = std::make_unique<create_index_stmt>();
    s->unique = unique;
    s->name = object_name(953);
    expect_word("ON", 969);
    s->table = object_name(903);
    expect_sym("(", 906);
    do {
      s->columns.push_back(name());
      bool desc = accept_word("DESC");
      if (!desc) accept_word("ASC");
      s->descending.push_back(desc);
    } while (accept_sym(","));
    expect_sym(")", 907);
    return s;
  }
  stmt_ptr create_trigger(bool or_replace) {
    auto s = std::make_unique<create_trigger_stmt>();
    s->or_replace = or_replace;
    s->source = std::string(sql_);
    s->name = object_name(4070);
    if (accept_word("BEFORE"))
      s->timing = "BEFORE";
    else if (accept_word("AFTER"))
      s->timing = "AFTER";
    else
      fail(969);
    do {
      if (accept_word("INSERT"))
        s->events += s->events.empty() ? "INSERT" : " OR INSERT";
      else if (accept_word("UPDATE"))
        s->events += s->events.empty() ? "UPDATE" : " OR UPDATE";
      else if (accept_word("DELETE"))
        s->events += s->events.empty() ? "DELETE" : " OR DELETE";
      else
        fail(969);
      if (accept_word("OF")) {
        do {
          name();
        } while (accept_sym(","));
      }
    } while (accept_word("OR"));
    expect_word("ON", 969);
    s->table = object_name(903);
    if (accept_word("FOR")) {
      expect_word("EACH", 905);
      expect_word("ROW", 905);
      s->for_each_row = true;
    }
    if (accept_word("WHEN")) {
      expect_sym("(", 906);
      size_t start = p_;
      s->when = or_expr();
      s->when_text = text_between(start, p_);
      expect_sym(")", 907);
    }
    if (peek().kind == token_kind::end) throw make_error(921);
    s->body = std::string(sql_.substr(peek().offset));
    // The body is compiled here; a body this engine cannot run leaves the
    // trigger invalid, as a compilation error would.
    try {
      trigger_body(*s);
    } catch (const oracle_error& e) {
      s->body_error = e.what();
      s->actions.clear();
    }
    p_ = t_.size() - 1;
    return s;
  }
  void trigger_body(create_trigger_stmt& s) {
    if (!accept_word("BEGIN"))
      throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
    while (!is_word("END")) {
      if (peek().kind == token_kind::end)
        throw oracle_error(6550, "PLS-00103: Encountered the symbol \"end-of-file\"");
      if (accept_word("NULL")) {
      } else if (accept_word("SELECT")) {
        std::vector<expr_ptr> values;
        do {
          values.push_back(expression());
        } while (accept_sym(","));
        if (!accept_word("INTO"))
          throw oracle_error(6550,
                             "PLS-00428: an INTO clause is expected in this SELECT statement");
        size_t k = 0;
        do {
          if (peek().kind != token_kind::bind || peek().text != "NEW" || !is_sym(".", 1))
            throw oracle_error(6550, "PLS-00049: bad bind variable");
          p_ += 2;
          if (k >= values.size()) throw make_error(913);
          s.actions.push_back({name(), std::move(values[k++])});
        } while (accept_sym(","));
        if (k != values.size()) throw make_error(947);
        if (!accept_word("FROM") || !accept_word("DUAL"))
          throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
      } else if (peek().kind == token_kind::bind && peek().text == "NEW" && is_sym(".", 1)) {
        p_ += 2;
        std::string col = name();
        if (!accept_sym(":="))
          throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
        s.actions.push_back({col, expression()});
      } else {
        throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
      }
      if (!accept_sym(";")) throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
    }
    next();
    if (at_name()) name();
    if (!accept_sym(";") || peek().kind != token_kind::end)
      throw oracle_error(6550, "PLS-00103: Encountered an unexpected symbol");
  }
  stmt_ptr alter() {
    expect_word("TABLE", 940);
    std::string table = object_name(903);
    if (accept_word("ADD")) {
      auto s = std::make_unique<alter_add_stmt>();
      s->table = table;
      bool paren = accept_sym("(");
      do {
        if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") ||
            is_word("FOREIGN")) {
          std::string cname;
          if (accept_word("CONSTRAINT")) cname = name();
          s->constraints.push_back(key_constraint(cname));
        } else {
          s->columns.push_back(column());
        }
      } while (paren && accept_sym(","));
      if (paren) expect_sym(")", 907);
      return s;
    }
    if (accept_word("MODIFY")) {
      auto s = std::make_unique<alter_modify_stmt>();
      s->table = table;
      bool paren = accept_sym("(");
      do {
        modify_item m;
        m.column = name();
        if (peek().kind == token_kind::name && !is_word("DEFAULT") && !is_word("NULL") &&
            !is_word("NOT")) {
          m.has_type = true;
          m.type = type();
        }
        while (true) {
          if (accept_word("DEFAULT")) {
            m.has_default = true;
            default_clause(m.default_text, m.default_expr);
          } else if (accept_word("NOT")) {
            expect_word("NULL", 908);
            m.nullability = 2;
          } else if (accept_word("NULL")) {
            m.nullability = 1;
          } else {
            break;
          }
        }
        s->items.push_back(std::move(m));
      } while (paren && accept_sym(","));
      if (paren) expect_sym(")", 907);
      return s;
    }
    throw make_error(1735);
  }
  stmt_ptr drop() {
    auto s = std::make_unique<drop_stmt>();
    if (accept_word("TABLE"))
      s->object = "TABLE";
    else if (accept_word("SEQUENCE"))
      s->object = "SEQUENCE";
    else if (accept_word("INDEX"))
      s->object = "INDEX";
    else if (accept_word("TRIGGER"))
      s->object = "TRIGGER";
    else
      throw make_error(950);
    s->name = object_name(s->object == "TABLE" ? 903 : 904);
    if (s->object == "TABLE") {
      if (accept_word("CASCADE")) {
        expect_word("CONSTRAINTS", 905);
        s->cascade = true;
      }
      accept_word("PURGE");
    }
    return s;
  }

  std::string_view sql_;
  std::vector<token> t_;
  std::vector<std::string> placeholders_;
  size_t p_ = 0;
  int depth_ = 0;
};

}  // namespace

expr_ptr parse_expression(std::string_view text, size_t max_name) {
  return parser(text, max_name).lone_expression();
}

stmt_ptr parse_statement(std::string_view sql, size_t max_name) {
  return parser(sql, max_name).statement();
}

}  // namespace tsl::eora
