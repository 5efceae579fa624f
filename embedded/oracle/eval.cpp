#include "embedded/oracle/eval.h"

#include <algorithm>
#include <cctype>
#include <random>

#include "embedded/oracle/date_format.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"

namespace tsl::eora {

namespace {

bool is_aggregate_name(const std::string& n) {
  return n == "COUNT" || n == "MIN" || n == "MAX" || n == "SUM" || n == "AVG";
}

void check_args(const expr& e, size_t min, size_t max) {
  if (e.args.size() < min || e.args.size() > max) throw make_error(909);
}

bool like_match(std::string_view s, std::string_view p) {
  size_t si = 0, pi = 0, star = std::string_view::npos, mark = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == '_' || p[pi] == s[si])) {
      ++si;
      ++pi;
    } else if (pi < p.size() && p[pi] == '%') {
      star = pi++;
      mark = si;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '%') ++pi;
  return pi == p.size();
}

std::string trim_chars(const std::string& s, bool left, bool right) {
  size_t b = 0, e = s.size();
  if (left)
    while (b < e && s[b] == ' ') ++b;
  if (right)
    while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

// The UTF-8 substring by character positions.
std::string utf8_substr(const std::string& s, size_t start, size_t count) {
  size_t i = 0, ch = 0;
  while (i < s.size() && ch < start) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    ++ch;
  }
  size_t b = i;
  ch = 0;
  while (i < s.size() && ch < count) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    ++ch;
  }
  return s.substr(b, i - b);
}

value aggregate(const expr& e, eval_context& c) {
  if (c.group == nullptr) throw make_error(934);
  eval_context inner = c;
  inner.group = nullptr;
  if (e.kind == expr_kind::count_star)
    return value::number(decimal::from_int(static_cast<int64_t>(c.group->size())));
  check_args(e, 1, 1);
  int64_t count = 0;
  value best;
  decimal sum;
  std::vector<value> seen;
  for (const joined& j : *c.group) {
    inner.current = &j;
    value v = eval(*e.args[0], inner);
    if (v.is_null()) continue;
    if (e.negated) {  // DISTINCT
      bool dup = false;
      for (const value& s : seen)
        if (compare_values(s, v) == 0) dup = true;
      if (dup) continue;
      seen.push_back(v);
    }
    ++count;
    if (e.name == "SUM" || e.name == "AVG") sum = sum + to_number(v);
    if (e.name == "MIN" && (best.is_null() || compare_values(v, best) < 0)) best = v;
    if (e.name == "MAX" && (best.is_null() || compare_values(v, best) > 0)) best = v;
  }
  if (e.name == "COUNT") return value::number(decimal::from_int(count));
  if (e.name == "MIN" || e.name == "MAX") return best;
  if (count == 0) return value::null();
  if (e.name == "SUM") return value::number(sum);
  return value::number(sum / decimal::from_int(count));
}

value function(const expr& e, eval_context& c) {
  const std::string& n = e.name;
  if (is_aggregate_name(n)) return aggregate(e, c);
  if (n == "EMPTY_CLOB" || n == "EMPTY_BLOB") {
    check_args(e, 0, 0);
    value v;
    v.kind = n == "EMPTY_CLOB" ? vkind::text : vkind::raw;
    return v;  // empty but not NULL
  }
  std::vector<value> a;
  for (const auto& arg : e.args) a.push_back(eval(*arg, c));
  auto any_null = [&] {
    for (const value& v : a)
      if (v.is_null()) return true;
    return false;
  };
  if (n == "USER") {
    check_args(e, 0, 0);
    if (c.s == nullptr) throw make_error(984);
    return value::text(c.s->user());
  }
  if (n == "SYS_GUID") {
    check_args(e, 0, 0);
    std::random_device rd;
    std::string bytes(16, '\0');
    for (char& b : bytes) b = static_cast<char>(rd() & 0xFF);
    return value::raw(bytes);
  }
  if (n == "CHR") {
    check_args(e, 1, 1);
    if (a[0].is_null()) return a[0];
    const int64_t code = to_number(a[0]).truncate().to_int64();
    if (code < 0 || code > 0x10FFFF) throw make_error(1722);
    // The database character set is AL32UTF8: the code point as UTF-8.
    std::string out;
    const auto cp = static_cast<uint32_t>(code);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    value v;
    v.kind = vkind::text;
    v.str = std::move(out);
    return v;
  }
  if (n == "NVL") {
    check_args(e, 2, 2);
    return a[0].is_null() ? a[1] : a[0];
  }
  if (n == "COALESCE") {
    if (a.empty()) throw make_error(909);
    for (const value& v : a)
      if (!v.is_null()) return v;
    return value::null();
  }
  if (n == "TO_DATE") {
    check_args(e, 1, 2);
    if (any_null()) return value::null();
    if (a[0].kind == vkind::date) return a[0];
    std::string fmt = a.size() > 1 ? to_text(a[1]) : default_date_format;
    return value::of_date(parse_date(to_text(a[0]), fmt));
  }
  if (n == "TO_CHAR") {
    check_args(e, 1, 2);
    if (a[0].is_null()) return a[0];
    if (a[0].kind == vkind::date)
      return value::text(
          format_date(a[0].date, a.size() > 1 ? to_text(a[1]) : default_date_format));
    return value::text(to_text(a[0]));
  }
  if (n == "TO_NUMBER") {
    check_args(e, 1, 2);
    if (a[0].is_null()) return a[0];
    return value::number(to_number(a[0]));
  }
  if (n == "UPPER" || n == "LOWER") {
    check_args(e, 1, 1);
    if (a[0].is_null()) return a[0];
    std::string s = to_text(a[0]);
    for (char& ch : s)
      ch = static_cast<char>(n == "UPPER" ? std::toupper(static_cast<unsigned char>(ch))
                                          : std::tolower(static_cast<unsigned char>(ch)));
    return value::text(s);
  }
  if (n == "LENGTH") {
    check_args(e, 1, 1);
    if (a[0].is_null()) return a[0];
    if (a[0].kind == vkind::lob)
      return value::number(decimal::from_int(static_cast<int64_t>(c.s->lob_length(a[0].lob))));
    return value::number(decimal::from_int(static_cast<int64_t>(utf8_length(to_text(a[0])))));
  }
  if (n == "TRIM" || n == "LTRIM" || n == "RTRIM") {
    check_args(e, 1, 1);
    if (a[0].is_null()) return a[0];
    return value::text(trim_chars(to_text(a[0]), n != "RTRIM", n != "LTRIM"));
  }
  if (n == "SUBSTR") {
    check_args(e, 2, 3);
    if (any_null()) return value::null();
    std::string s = to_text(a[0]);
    int64_t len = static_cast<int64_t>(utf8_length(s));
    int64_t pos = to_number(a[1]).to_int64();
    if (pos < 0) pos = len + pos + 1;
    if (pos == 0) pos = 1;
    int64_t count = a.size() > 2 ? to_number(a[2]).to_int64() : len;
    if (count < 1 || pos > len) return value::null();
    return value::text(utf8_substr(s, static_cast<size_t>(pos - 1), static_cast<size_t>(count)));
  }
  if (n == "CONCAT") {
    check_args(e, 2, 2);
    return value::text(to_text(a[0]) + to_text(a[1]));
  }
  if (n == "ABS" || n == "ROUND" || n == "TRUNC" || n == "MOD" || n == "SIGN") {
    check_args(e, n == "MOD" ? 2 : 1, n == "ABS" || n == "SIGN" ? 1 : 2);
    if (any_null()) return value::null();
    if ((n == "ROUND" || n == "TRUNC") && a[0].kind == vkind::date) {
      date_time d = a[0].date;
      d.hour = d.minute = d.second = 0;
      return value::of_date(d);
    }
    decimal x = to_number(a[0]);
    if (n == "ABS") return value::number(x.negative() ? -x : x);
    if (n == "SIGN")
      return value::number(decimal::from_int(x.is_zero() ? 0 : (x.negative() ? -1 : 1)));
    if (n == "MOD") {
      decimal y = to_number(a[1]);
      if (y.is_zero()) return value::number(x);
      return value::number(x - (x / y).truncate() * y);
    }
    int digits = a.size() > 1 ? static_cast<int>(to_number(a[1]).to_int64()) : 0;
    if (n == "ROUND") return value::number(x.round(digits));
    decimal shift = decimal::parse("1e" + std::to_string(digits)).value();
    return value::number((x * shift).truncate() / shift);
  }
  throw make_error(904, {quoted(n)});
}

value arithmetic(const std::string& op, const value& l, const value& r) {
  if (l.is_null() || r.is_null()) return value::null();
  decimal a = to_number(l), b = to_number(r);
  if (op == "+") return value::number(fit_number(a + b));
  if (op == "-") return value::number(fit_number(a - b));
  if (op == "*") return value::number(fit_number(a * b));
  if (b.is_zero()) throw make_error(1476);
  return value::number(fit_number(a / b));
}

}  // namespace

int compare_values(const value& a, const value& b) {
  if (a.kind == vkind::lob || b.kind == vkind::lob) throw make_error(932, {"-", "LOB"});
  if (a.kind == vkind::number || b.kind == vkind::number) {
    int c = compare(to_number(a), to_number(b));
    return c;
  }
  if (a.kind == vkind::date || b.kind == vkind::date) {
    date_time x = to_date_value(a), y = to_date_value(b);
    return x < y ? -1 : (y < x ? 1 : 0);
  }
  if (a.kind == vkind::raw || b.kind == vkind::raw) {
    std::string x = to_raw(a), y = to_raw(b);
    int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  int c = a.str.compare(b.str);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

// A text literal or a CHAR or NCHAR column: Oracle compares two of these
// with blank-padded semantics.
bool blank_padded(const expr& e, const eval_context& c) {
  if (e.kind == expr_kind::literal) return e.literal.kind == vkind::text;
  if (e.kind != expr_kind::column || c.sources == nullptr || e.source < 0) return false;
  const source& s = (*c.sources)[static_cast<size_t>(e.source)];
  if (e.column < 0 || static_cast<size_t>(e.column) >= s.columns.size()) return false;
  const type_code t = s.columns[static_cast<size_t>(e.column)].type.code;
  return t == type_code::char_ || t == type_code::nchar;
}

// Orders two non-null values; two blank-padded texts compare as if the
// shorter had blanks added to the length of the longer.
int compare_exprs(const expr& a, const value& l, const expr& b, const value& r,
                  const eval_context& c) {
  if (l.kind == vkind::text && r.kind == vkind::text && blank_padded(a, c) &&
      blank_padded(b, c) && l.str.size() != r.str.size()) {
    std::string x = l.str, y = r.str;
    if (x.size() < y.size()) x.append(y.size() - x.size(), ' ');
    if (y.size() < x.size()) y.append(x.size() - y.size(), ' ');
    int k = x.compare(y);
    return k < 0 ? -1 : (k > 0 ? 1 : 0);
  }
  return compare_values(l, r);
}

}  // namespace

bool has_aggregate(const expr& e) {
  if (e.kind == expr_kind::count_star) return true;
  if (e.kind == expr_kind::function && is_aggregate_name(e.name)) return true;
  for (const auto& a : e.args)
    if (has_aggregate(*a)) return true;
  return false;
}

void resolve(expr& e, const std::vector<source>& sources) {
  for (auto& a : e.args) resolve(*a, sources);
  if (e.kind == expr_kind::rowid) {
    for (size_t i = 0; i < sources.size(); ++i) {
      const source& s = sources[i];
      if (e.qualifier.empty()
              ? sources.size() == 1
              : (e.qualifier == s.alias || (s.alias.empty() && e.qualifier == s.name))) {
        if (s.table_id == 0) throw make_error(904, {quoted("ROWID")});
        e.source = static_cast<int>(i);
        return;
      }
    }
    throw make_error(
        904, {e.qualifier.empty() ? quoted("ROWID") : quoted(e.qualifier) + "." + quoted("ROWID")});
  }
  if (e.kind != expr_kind::column) return;
  e.source = -1;
  for (size_t i = 0; i < sources.size(); ++i) {
    const source& s = sources[i];
    if (!e.qualifier.empty()) {
      bool named = s.alias.empty() ? e.qualifier == s.name : e.qualifier == s.alias;
      for (const std::string& q : s.qualifiers) named = named || q == e.qualifier;
      if (!named) continue;
    }
    for (size_t k = 0; k < s.columns.size(); ++k) {
      if (s.columns[k].name != e.name) continue;
      if (e.source >= 0) throw make_error(918);
      e.source = static_cast<int>(i);
      e.column = static_cast<int>(k);
    }
  }
  if (e.source < 0) {
    std::string shown =
        e.qualifier.empty() ? quoted(e.name) : quoted(e.qualifier) + "." + quoted(e.name);
    if (!e.qualifier.empty() && e.qualifier[0] == ':') shown = quoted(e.name);
    throw make_error(904, {shown});
  }
}

value eval(const expr& e, eval_context& c) {
  switch (e.kind) {
    case expr_kind::literal:
      return e.literal;
    case expr_kind::column: {
      if (c.current == nullptr) {
        if (c.group != nullptr && !c.group->empty()) {
          eval_context first = c;
          first.current = &c.group->front();
          return eval(e, first);
        }
        if (c.group != nullptr) return value::null();
        throw make_error(984);
      }
      return (*c.current->rows[static_cast<size_t>(e.source)])[static_cast<size_t>(e.column)];
    }
    case expr_kind::rowid: {
      if (c.current == nullptr) throw make_error(984);
      const source& s = (*c.sources)[static_cast<size_t>(e.source)];
      return value::text(
          session::rowid_text(s.table_id, c.current->rowids[static_cast<size_t>(e.source)]));
    }
    case expr_kind::bind:
      if (c.s == nullptr) throw make_error(1008);
      return c.s->bound_value(e.column);
    case expr_kind::sysdate:
      return value::of_date(current_date());
    case expr_kind::sequence:
      if (c.s == nullptr) throw make_error(2289);
      return e.member == "NEXTVAL" ? c.s->next_value(e.name) : c.s->current_value(e.name);
    case expr_kind::count_star:
      return aggregate(e, c);
    case expr_kind::function:
      return function(e, c);
    case expr_kind::unary: {
      if (e.op == "NOT") throw make_error(920);
      value v = eval(*e.args[0], c);
      if (v.is_null() || e.op == "+") return v;
      return value::number(-to_number(v));
    }
    case expr_kind::binary: {
      if (e.op == "||") {
        value l = eval(*e.args[0], c), r = eval(*e.args[1], c);
        return value::text(to_text(l) + to_text(r));
      }
      if (e.op == "+" || e.op == "-" || e.op == "*" || e.op == "/")
        return arithmetic(e.op, eval(*e.args[0], c), eval(*e.args[1], c));
      throw make_error(923);
    }
    default:
      throw make_error(923);
  }
}

int truth(const expr& e, eval_context& c) {
  switch (e.kind) {
    case expr_kind::unary:
      if (e.op == "NOT") {
        int t = truth(*e.args[0], c);
        return t < 0 ? -1 : !t;
      }
      break;
    case expr_kind::binary: {
      if (e.op == "AND") {
        int l = truth(*e.args[0], c);
        if (l == 0) return 0;
        int r = truth(*e.args[1], c);
        if (r == 0) return 0;
        return l < 0 || r < 0 ? -1 : 1;
      }
      if (e.op == "OR") {
        int l = truth(*e.args[0], c);
        if (l == 1) return 1;
        int r = truth(*e.args[1], c);
        if (r == 1) return 1;
        return l < 0 || r < 0 ? -1 : 0;
      }
      if (e.op == "=" || e.op == "<>" || e.op == "<" || e.op == "<=" || e.op == ">" ||
          e.op == ">=") {
        value l = eval(*e.args[0], c), r = eval(*e.args[1], c);
        if (l.is_null() || r.is_null()) return -1;
        int k = compare_exprs(*e.args[0], l, *e.args[1], r, c);
        if (e.op == "=") return k == 0;
        if (e.op == "<>") return k != 0;
        if (e.op == "<") return k < 0;
        if (e.op == "<=") return k <= 0;
        if (e.op == ">") return k > 0;
        return k >= 0;
      }
      break;
    }
    case expr_kind::is_null: {
      bool n = eval(*e.args[0], c).is_null();
      return e.negated ? !n : n;
    }
    case expr_kind::like: {
      value s = eval(*e.args[0], c), p = eval(*e.args[1], c);
      if (s.is_null() || p.is_null()) return -1;
      bool m = like_match(to_text(s), to_text(p));
      return e.negated ? !m : m;
    }
    case expr_kind::in_list: {
      value v = eval(*e.args[0], c);
      if (v.is_null()) return -1;
      bool unknown = false;
      for (size_t i = 1; i < e.args.size(); ++i) {
        value x = eval(*e.args[i], c);
        if (x.is_null()) {
          unknown = true;
        } else if (compare_exprs(*e.args[0], v, *e.args[i], x, c) == 0) {
          return e.negated ? 0 : 1;
        }
      }
      if (unknown) return -1;
      return e.negated ? 1 : 0;
    }
    case expr_kind::between: {
      value v = eval(*e.args[0], c), lo = eval(*e.args[1], c), hi = eval(*e.args[2], c);
      if (v.is_null() || lo.is_null() || hi.is_null()) return -1;
      bool in = compare_exprs(*e.args[0], v, *e.args[1], lo, c) >= 0 &&
                compare_exprs(*e.args[0], v, *e.args[2], hi, c) <= 0;
      return e.negated ? !in : in;
    }
    default:
      break;
  }
  throw make_error(920);
}

std::string expression_name(const std::string& text) {
  std::string out;
  bool quote = false;
  for (char ch : text) {
    if (ch == '\'') quote = !quote;
    if (!quote && std::isspace(static_cast<unsigned char>(ch))) continue;
    out.push_back(quote ? ch : static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
  }
  if (out.size() > 30 && !out.empty()) out.resize(30);
  return out;
}

result_column describe_expr(const expr& e, const std::vector<source>& sources) {
  result_column r;
  r.name = expression_name(e.text);
  auto number = [&] {
    r.type = column_type{type_code::number};
    return r;
  };
  auto text = [&](int len) {
    r.type = column_type{type_code::varchar2, std::clamp(len, 1, 4000)};
    return r;
  };
  switch (e.kind) {
    case expr_kind::column: {
      const result_column& c =
          sources[static_cast<size_t>(e.source)].columns[static_cast<size_t>(e.column)];
      r.type = c.type;
      r.nullable = c.nullable;
      r.name = c.name;
      return r;
    }
    case expr_kind::rowid:
      r.type = column_type{type_code::rowid};
      r.name = "ROWID";
      return r;
    case expr_kind::literal:
      if (e.literal.kind == vkind::number) return number();
      r.type =
          column_type{type_code::char_, std::max<int>(1, static_cast<int>(e.literal.str.size()))};
      if (e.literal.is_null()) r.type = column_type{type_code::varchar2, 0};
      return r;
    case expr_kind::sysdate:
      r.type = column_type{type_code::date};
      r.name = "SYSDATE";
      return r;
    case expr_kind::count_star:
    case expr_kind::sequence:
    case expr_kind::unary:
      return number();
    case expr_kind::binary:
      if (e.op == "||") {
        int len = 0;
        for (const auto& a : e.args) len += describe_expr(*a, sources).type.data_length();
        return text(len);
      }
      return number();
    case expr_kind::function: {
      const std::string& n = e.name;
      if (n == "TO_DATE") {
        r.type = column_type{type_code::date};
        return r;
      }
      if (n == "EMPTY_CLOB") {
        r.type = column_type{type_code::clob};
        return r;
      }
      if (n == "EMPTY_BLOB") {
        r.type = column_type{type_code::blob};
        return r;
      }
      if ((n == "MIN" || n == "MAX" || n == "NVL" || n == "COALESCE") && !e.args.empty()) {
        result_column a = describe_expr(*e.args[0], sources);
        r.type = a.type;
        return r;
      }
      if (n == "UPPER" || n == "LOWER" || n == "TRIM" || n == "LTRIM" || n == "RTRIM" ||
          n == "SUBSTR") {
        int len = e.args.empty() ? 1 : describe_expr(*e.args[0], sources).type.data_length();
        return text(len);
      }
      if (n == "TO_CHAR" || n == "CONCAT") return text(n == "TO_CHAR" ? 75 : 4000);
      if (n == "USER") return text(30);
      if (n == "CHR") return text(4);
      if (n == "SYS_GUID") {
        r.type = column_type{type_code::raw, 16};
        return r;
      }
      return number();
    }
    default:
      return number();
  }
}

}  // namespace tsl::eora
