#include "embedded/mssql/select_compiler.h"

#include <algorithm>
#include <cstdio>

#include "embedded/mssql/convert_style.h"
#include "embedded/mssql/date_functions.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/server_property.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {
namespace {

// Precision and scale of an exact numeric type; false for other types.
bool exact_digits(const sql_type& t, int& precision, int& scale) {
  scale = 0;
  switch (t.id) {
    case type_id::bit:
      precision = 1;
      return true;
    case type_id::tinyint:
      precision = 3;
      return true;
    case type_id::smallint:
      precision = 5;
      return true;
    case type_id::int_:
      precision = 10;
      return true;
    case type_id::bigint:
      precision = 19;
      return true;
    case type_id::decimal:
    case type_id::numeric:
      precision = t.precision;
      scale = t.scale;
      return true;
    case type_id::money:
      precision = 19;
      scale = 4;
      return true;
    case type_id::smallmoney:
      precision = 10;
      scale = 4;
      return true;
    default:
      return false;
  }
}

struct source {
  std::string alias;         // what qualifies its columns
  std::string prefix = "k";  // its columns are <sql_alias>.<prefix><n>
  std::string table;         // table name when a base table
  std::string schema;
  std::string sql_alias;
  std::vector<result_column> cols;
};

struct scope {
  std::vector<source> sources;
  const scope* parent = nullptr;
};

struct typed {
  std::string sql;
  sql_type type;
  bool nullable = true;
  bool aggregate = false;    // holds an aggregate
  std::string loose_column;  // a column used outside any aggregate
  std::string loose_sql;     // and its SQL
  bool recast = false;       // text that must still be brought to the type's stored form
  bool literal = false;
  value lit;
  bool unicode = false;
  std::string name;  // result column name
};

sql_type make(type_id id, int32_t length = 0, uint8_t p = 0, uint8_t s = 0) {
  sql_type t;
  t.id = id;
  t.length = length;
  t.precision = p;
  t.scale = s;
  return t;
}

std::string sql_string(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string sql_literal(const value& v) {
  switch (v.k) {
    case value::kind::null:
      return "NULL";
    case value::kind::integer:
      return std::to_string(v.i);
    case value::kind::real: {
      char b[40];
      std::snprintf(b, sizeof b, "%.17g", v.r);
      std::string s = b;
      if (s.find_first_of(".en") == std::string::npos) s += ".0";
      return s;
    }
    case value::kind::blob: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string s = "X'";
      for (unsigned char c : v.s) {
        s += kHex[c >> 4];
        s += kHex[c & 15];
      }
      return s + "'";
    }
    case value::kind::number:
      return v.s;
    case value::kind::text:
      return sql_string(v.s);
  }
  return "NULL";
}

int rank(type_id id) {
  switch (id) {
    case type_id::float_:
      return 10;
    case type_id::real:
      return 9;
    case type_id::decimal:
    case type_id::numeric:
      return 8;
    case type_id::money:
      return 7;
    case type_id::smallmoney:
      return 6;
    case type_id::bigint:
      return 5;
    case type_id::int_:
      return 4;
    case type_id::smallint:
      return 3;
    case type_id::tinyint:
      return 2;
    case type_id::bit:
      return 1;
    default:
      return 0;
  }
}

bool is_numeric(type_id id) {
  return rank(id) > 0;
}

// Bytes a value of a fixed-size type takes; 0 for the others.
int fixed_size(const sql_type& t) {
  switch (t.id) {
    case type_id::bit:
    case type_id::tinyint:
      return 1;
    case type_id::smallint:
      return 2;
    case type_id::int_:
    case type_id::smallmoney:
    case type_id::real:
    case type_id::smalldatetime:
      return 4;
    case type_id::bigint:
    case type_id::money:
    case type_id::float_:
    case type_id::datetime:
    case type_id::timestamp:
      return 8;
    case type_id::date:
      return 3;
    case type_id::uniqueidentifier:
      return 16;
    case type_id::decimal:
    case type_id::numeric:
      return t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
    default:
      return 0;
  }
}
bool is_date(type_id id) {
  return id == type_id::datetime || id == type_id::smalldatetime || id == type_id::date ||
         id == type_id::time || id == type_id::datetime2 || id == type_id::datetimeoffset;
}

// SQL for a value used in arithmetic or comparison.
std::string numeric_sql(const typed& t) {
  if (t.literal) return t.sql;
  switch (t.type.id) {
    case type_id::decimal:
    case type_id::numeric:
      return "CAST(" + t.sql + " AS REAL)";
    case type_id::money:
    case type_id::smallmoney:
      return "(" + t.sql + "/10000.0)";
    default:
      return t.sql;
  }
}

class compiler {
 public:
  // Nested queries share the counter so that their aliases never shadow an
  // outer query's (a correlated reference must reach the outer table).
  explicit compiler(const compile_context& ctx, int* counter = nullptr)
      : ctx_(ctx), counter_(counter ? counter : &own_counter_) {}

  compiled_select select(const select_stmt& s, const scope* parent) {
    scope sc;
    sc.parent = parent;
    std::string from;
    for (size_t i = 0; i < s.from.size(); ++i) {
      if (i) from += ", ";
      from += table_source(s.from[i], sc);
    }
    compiled_select out;
    std::vector<typed> items;
    for (const auto& it : s.items) {
      if (it.e->k == expr::kind::star) {
        bool any = false;
        for (const auto& src : sc.sources) {
          if (!it.e->names.empty() && !iequals(src.alias, it.e->names[0])) continue;
          any = true;
          for (size_t c = 0; c < src.cols.size(); ++c) {
            typed t;
            t.sql = src.sql_alias + "." + src.prefix + std::to_string(c + 1);
            t.type = src.cols[c].type;
            t.nullable = src.cols[c].nullable;
            t.name = src.cols[c].name;
            t.loose_column = src.cols[c].name;
            t.loose_sql = t.sql;
            items.push_back(t);
          }
        }
        if (!any) {
          if (it.e->names.empty()) throw err::generic(263, "Must specify table to select from.");
          throw err::generic(
              4104, "The multi-part identifier \"" + it.e->names[0] + "\" could not be bound.");
        }
        continue;
      }
      typed t = compile(*it.e, sc);
      if (!it.alias.empty()) t.name = it.alias;
      if (t.literal) t.sql = literal_as_stored(t);
      items.push_back(std::move(t));
    }
    std::vector<std::string> groups;
    for (const auto& g : s.group_by) groups.push_back(compile(*g, sc).sql);
    bool grouped = !groups.empty();
    for (const auto& t : items) grouped = grouped || t.aggregate;
    if (grouped) {
      for (const auto& t : items) {
        if (t.loose_column.empty()) continue;
        if (std::find(groups.begin(), groups.end(), t.sql) != groups.end()) continue;
        if (std::find(groups.begin(), groups.end(), t.loose_sql) != groups.end()) continue;
        throw err::generic(8120, "Column '" + t.loose_column +
                                     "' is invalid in the select list because it is not contained "
                                     "in either an aggregate function or the GROUP BY clause.");
      }
    }
    std::string sql = "SELECT ";
    if (s.distinct) sql += "DISTINCT ";
    for (size_t i = 0; i < items.size(); ++i) {
      if (i) sql += ", ";
      sql += items[i].sql + " AS r" + std::to_string(i + 1);
      result_column col{items[i].name, items[i].type, items[i].nullable};
      col.null_literal = items[i].literal && items[i].lit.is_null();
      col.recast = items[i].recast;
      out.columns.push_back(col);
    }
    if (!from.empty()) sql += " FROM " + from;
    if (s.where) sql += " WHERE " + condition(*s.where, sc);
    if (!groups.empty()) {
      sql += " GROUP BY ";
      for (size_t i = 0; i < groups.size(); ++i) sql += (i ? ", " : "") + groups[i];
    }
    if (s.having) sql += " HAVING " + condition(*s.having, sc);
    if (!s.unions.empty()) {
      if (s.top) sql += " LIMIT " + std::to_string(*s.top);
      std::vector<std::pair<bool, compiled_select>> parts;
      std::vector<sql_type> first_types;
      for (const auto& it : items) first_types.push_back(it.type);
      for (const auto& [all, next] : s.unions) {
        compiled_select other = compiler(ctx_, counter_).select(*next, sc.parent);
        if (other.columns.size() != items.size())
          throw err::generic(205,
                             "All queries combined using a UNION, INTERSECT or EXCEPT "
                             "operator must have an equal number of expressions in their "
                             "target lists.");
        for (size_t i = 0; i < items.size(); ++i) {
          // The wider numeric type wins; texts become the longer text; a bare
          // NULL takes the other side's type.
          const sql_type& o = other.columns[i].type;
          if (other.columns[i].null_literal) {
            items[i].nullable = true;
            out.columns[i].nullable = true;
            continue;
          }
          if (out.columns[i].null_literal) {
            items[i].type = o;
            items[i].literal = false;
            out.columns[i].null_literal = false;
          } else {
            const sql_type mine = items[i].type;
            if (rank(o.id) > rank(mine.id)) items[i].type = o;
            // Exact numbers keep the most integer digits and the most
            // fraction digits of either side: 10 and 0.75 give numeric(12,2).
            int p1 = 0, s1 = 0, p2 = 0, s2 = 0;
            if ((items[i].type.id == type_id::decimal || items[i].type.id == type_id::numeric) &&
                exact_digits(mine, p1, s1) && exact_digits(o, p2, s2)) {
              const int scale = std::max(s1, s2);
              items[i].type.scale = static_cast<uint8_t>(scale);
              items[i].type.precision =
                  static_cast<uint8_t>(std::min(38, std::max(p1 - s1, p2 - s2) + scale));
            }
          }
          if (is_character(o.id) && is_character(items[i].type.id) &&
              (o.is_max() || (!items[i].type.is_max() && o.length > items[i].type.length)))
            items[i].type.length = o.length;
          items[i].nullable = items[i].nullable || other.columns[i].nullable;
          out.columns[i].type = items[i].type;
          out.columns[i].nullable = items[i].nullable;
          // Each part's exact numbers come in their own scale: 123.5 reads
          // as 123.50 in a numeric(12,2) result.
          if (items[i].type.id == type_id::decimal || items[i].type.id == type_id::numeric)
            out.columns[i].recast = true;
        }
        parts.emplace_back(all, std::move(other));
      }
      // Each query stands in its own sub-select, so TOP and DISTINCT stay
      // its own; its columns are named so that ORDER BY finds them, and a
      // money column joining another type leaves its stored form.
      auto part = [&](const std::string& part_sql, const std::vector<sql_type>& types) {
        std::string cols;
        for (size_t i = 0; i < items.size(); ++i) {
          const std::string r = "r" + std::to_string(i + 1);
          const bool money = types[i].id == type_id::money || types[i].id == type_id::smallmoney;
          const bool to_money =
              items[i].type.id == type_id::money || items[i].type.id == type_id::smallmoney;
          std::string c = r;
          if (money && !to_money)
            c = "(CASE WHEN " + r + " IS NULL THEN NULL ELSE (CASE WHEN " + r +
                " < 0 THEN '-' ELSE '' END) || (abs(" + r + ") / 10000) || '.' || printf('%04d', " +
                "abs(" + r + ") % 10000) END)";
          // Another number joining a money column takes money's stored form.
          if (to_money && !money && is_numeric(types[i].id))
            c = "CAST(round(CAST(" + r + " AS REAL) * 10000) AS INTEGER)";
          cols += (i ? ", " : "") + c + " AS " + r;
        }
        return "SELECT " + cols + " FROM (" + part_sql + ")";
      };
      sql = part(sql, first_types);
      for (auto& [all, other] : parts) {
        std::vector<sql_type> types;
        for (const auto& c : other.columns) types.push_back(c.type);
        sql += std::string(all ? " UNION ALL " : " UNION ") + part(other.sql, types);
      }
      if (!s.order_by.empty()) {
        // Sorted outside the compound query, where a sort key may be an expression.
        sql = "SELECT * FROM (" + sql + ") ORDER BY ";
        for (size_t i = 0; i < s.order_by.size(); ++i) {
          const expr& e = *s.order_by[i].e;
          size_t pos = 0;
          if (e.k == expr::kind::literal && e.lit.k == value::kind::integer && e.lit.i >= 1 &&
              e.lit.i <= static_cast<int64_t>(items.size()))
            pos = static_cast<size_t>(e.lit.i);
          for (size_t k = 0; k < items.size() && !pos; ++k)
            if (e.k == expr::kind::column && e.names.size() == 1 &&
                iequals(items[k].name, e.names[0]))
              pos = k + 1;
          if (!pos)
            throw err::generic(104,
                               "ORDER BY items must appear in the select list if the statement "
                               "contains a UNION, INTERSECT or EXCEPT operator.");
          sql += (i ? ", " : "") + order_key("r" + std::to_string(pos), items[pos - 1]) +
                 (s.order_by[i].desc ? " DESC" : "");
        }
      }
      out.sql = sql;
      return out;
    }
    if (!s.order_by.empty()) {
      sql += " ORDER BY ";
      for (size_t i = 0; i < s.order_by.size(); ++i) {
        if (i) sql += ", ";
        const expr& e = *s.order_by[i].e;
        std::string key;
        if (e.k == expr::kind::literal && e.lit.k == value::kind::integer) {
          if (e.lit.i < 1 || e.lit.i > static_cast<int64_t>(items.size()))
            throw err::generic(108,
                               "The ORDER BY position number " + std::to_string(e.lit.i) +
                                   " is out of range of the number of items in the select list.",
                               15);
          key = order_key("r" + std::to_string(e.lit.i), items[static_cast<size_t>(e.lit.i - 1)]);
        } else if (e.k == expr::kind::column && e.names.size() == 1) {
          for (size_t k = 0; k < items.size() && key.empty(); ++k)
            if (iequals(items[k].name, e.names[0]) && !s.items.empty())
              key = order_key("r" + std::to_string(k + 1), items[k]);
        }
        if (key.empty()) {
          typed t = compile(e, sc);
          key = order_key(t.sql, t);
        }
        sql += key + (s.order_by[i].desc ? " DESC" : "");
      }
    }
    if (s.top) sql += " LIMIT " + std::to_string(*s.top);
    out.sql = sql;
    return out;
  }

  // The storage row id and the given values of each row of one table that
  // passes the filter.
  compiled_select rows(const object_name& table, const std::vector<const expr*>& values,
                       const expr* where) {
    scope sc;
    table_ref r;
    r.table = table;
    std::string from = single(r, sc);
    compiled_select out;
    out.sql = "SELECT " + sc.sources[0].sql_alias + ".rid";
    sql_type rid;
    rid.id = type_id::bigint;
    out.columns.push_back(result_column{"rid", rid, false});
    for (const expr* e : values) {
      typed t = compile(*e, sc);
      if (t.aggregate)
        throw err::generic(157,
                           "An aggregate may not appear in the set list of an UPDATE statement.");
      if (t.literal) t.sql = literal_as_stored(t);
      out.sql += ", " + t.sql;
      out.columns.push_back(result_column{"", t.type, t.nullable});
    }
    out.sql += " FROM " + from;
    if (where) out.sql += " WHERE " + condition(*where, sc);
    return out;
  }

 private:
  const compile_context& ctx_;
  int own_counter_ = 0;
  int* counter_;

  static std::string order_key(const std::string& sql, const typed& t) {
    if (is_character(t.type.id)) return sql + " COLLATE NOCASE";
    if (t.type.id == type_id::decimal || t.type.id == type_id::numeric)
      return "CAST(" + sql + " AS REAL)";
    return sql;
  }

  // A literal in the select list is stored in its type's form.
  std::string literal_as_stored(const typed& t) {
    if (t.lit.k == value::kind::number) return sql_string(format_decimal(*parse_decimal(t.lit.s)));
    return t.sql;
  }

  std::string table_source(const table_ref& r, scope& sc) {
    std::string sql = single(r, sc);
    for (const auto& j : r.joins) {
      std::string right = single(*j.right, sc);
      switch (j.t) {
        case table_ref::join::type::inner:
          sql += " JOIN " + right;
          break;
        case table_ref::join::type::left:
          sql += " LEFT JOIN " + right;
          break;
        case table_ref::join::type::cross:
          sql += " CROSS JOIN " + right;
          break;
        case table_ref::join::type::right:
        case table_ref::join::type::full:
          throw err::generic(40508, "RIGHT and FULL OUTER JOIN are not supported by this server.");
      }
      if (j.on) sql += " ON " + condition(*j.on, sc);
    }
    return sql;
  }

  std::string single(const table_ref& r, scope& sc) {
    source src;
    src.sql_alias = "s" + std::to_string(++*counter_);
    std::string sql;
    if (r.derived) {
      compiled_select inner = compiler(ctx_, counter_).select(*r.derived, sc.parent);
      for (size_t i = 0; i < inner.columns.size(); ++i) {
        if (inner.columns[i].name.empty())
          throw err::generic(8155, "No column name was specified for column " +
                                       std::to_string(i + 1) + " of '" + r.alias + "'.");
        for (size_t k = 0; k < i; ++k)
          if (iequals(inner.columns[k].name, inner.columns[i].name))
            throw err::generic(8156, "The column '" + inner.columns[i].name +
                                         "' was specified multiple times for '" + r.alias + "'.");
      }
      src.cols = inner.columns;
      src.alias = r.alias;
      src.prefix = "r";
      sql = "(" + inner.sql + ") AS " + src.sql_alias;
    } else {
      database* owner = nullptr;
      table_info& t = resolve_table(*r.table, ctx_, &owner);
      src.table = t.name;
      src.schema = t.schema;
      src.alias = r.alias.empty() ? t.name : r.alias;
      std::string cols = "rowid AS rid";
      for (size_t i = 0; i < t.columns.size(); ++i) {
        src.cols.push_back(
            result_column{t.columns[i].name, t.columns[i].type, t.columns[i].nullable});
        cols += ", c" + std::to_string(i + 1) + " AS k" + std::to_string(i + 1);
      }
      std::string table = t.storage_name();
      if (owner != ctx_.db)
        throw err::generic(40515, "Reference to database '" + owner->name() +
                                      "' is not supported in this version.");
      sql = "(SELECT " + cols + " FROM " + table + ") AS " + src.sql_alias;
    }
    for (const auto& other : sc.sources)
      if (iequals(other.alias, src.alias))
        throw err::generic(1011, "The correlation name '" + src.alias +
                                     "' is specified multiple times in a FROM clause.");
    sc.sources.push_back(std::move(src));
    return sql;
  }

  typed column(const expr& e, const scope& sc) {
    const std::string& col = e.names.back();
    const std::string qualifier = e.names.size() >= 2 ? e.names[e.names.size() - 2] : "";
    const std::string schema = e.names.size() >= 3 ? e.names[e.names.size() - 3] : "";
    for (const scope* s = &sc; s; s = s->parent) {
      const source* found = nullptr;
      size_t index = 0;
      bool qualifier_matched = false;
      for (const auto& src : s->sources) {
        if (!qualifier.empty()) {
          bool match = iequals(src.alias, qualifier) ||
                       (!src.table.empty() && iequals(src.table, qualifier) &&
                        iequals(src.alias, src.table));
          if (!schema.empty()) match = match && iequals(src.schema, schema);
          if (!match) continue;
          qualifier_matched = true;
        }
        for (size_t c = 0; c < src.cols.size(); ++c) {
          if (!iequals(src.cols[c].name, col)) continue;
          if (found) throw err::ambiguous_column(col);
          found = &src;
          index = c;
        }
      }
      if (found) {
        typed t;
        t.sql = found->sql_alias + "." + found->prefix + std::to_string(index + 1);
        t.type = found->cols[index].type;
        t.nullable = found->cols[index].nullable;
        t.name = found->cols[index].name;
        t.loose_column = qualifier.empty() ? col : qualifier + "." + col;
        t.loose_sql = t.sql;
        return t;
      }
      if (!qualifier.empty() && !qualifier_matched && !s->parent) {
        std::string all;
        for (size_t i = 0; i + 1 < e.names.size(); ++i) all += e.names[i] + ".";
        throw err::generic(4104,
                           "The multi-part identifier \"" + all + col + "\" could not be bound.");
      }
    }
    throw err::invalid_column(col);
  }

  typed literal(const value& v, bool unicode) {
    typed t;
    t.literal = true;
    t.lit = v;
    t.unicode = unicode;
    t.sql = sql_literal(v);
    switch (v.k) {
      case value::kind::null:
        t.type = make(type_id::int_);
        break;
      case value::kind::integer:
        t.type = make(v.i >= INT32_MIN && v.i <= INT32_MAX ? type_id::int_ : type_id::bigint);
        t.nullable = false;
        break;
      case value::kind::real:
        t.type = make(type_id::float_);
        t.nullable = false;
        break;
      case value::kind::number: {
        auto d = parse_decimal(v.s);
        if (!d) throw err::overflow("numeric");
        int digits = std::max<int>(decimal_digits(d->unscaled), d->scale + 1);
        t.type = make(type_id::numeric, 0, static_cast<uint8_t>(std::min(38, digits)), d->scale);
        t.nullable = false;
        break;
      }
      case value::kind::text: {
        int32_t n = std::max<int32_t>(1, static_cast<int32_t>(v.s.size()));
        t.type = make(unicode ? type_id::nvarchar : type_id::varchar,
                      std::min(n, unicode ? 4000 : 8000));
        if (n > (unicode ? 4000 : 8000)) t.type.length = sql_type::kMax;
        t.nullable = false;
        break;
      }
      case value::kind::blob:
        t.type = make(type_id::varbinary, std::max<int32_t>(1, static_cast<int32_t>(v.s.size())));
        t.nullable = false;
        break;
    }
    return t;
  }

  // Brings a literal to the other operand's type so storage comparisons work.
  void align(typed& a, typed& b) {
    auto fix = [](typed& lit, const typed& col) {
      if (!lit.literal || lit.lit.is_null() || col.literal) return;
      if ((is_date(col.type.id) || col.type.id == type_id::uniqueidentifier) &&
          lit.lit.k == value::kind::text) {
        value v = convert_to(lit.lit, col.type, lit.unicode);
        lit.sql = sql_literal(v);
      } else if (is_numeric(col.type.id) && lit.lit.k == value::kind::text) {
        value v = convert_to(lit.lit, is_integer(col.type.id) ? col.type : make(type_id::float_),
                             lit.unicode);
        lit.sql = sql_literal(v);
        lit.type = is_integer(col.type.id) ? col.type : make(type_id::float_);
      }
    };
    fix(a, b);
    fix(b, a);
  }

  // The style argument of CONVERT, -1 when none.
  int style_of(const expr& e, const scope& sc) {
    if (e.args.size() < 2) return -1;
    typed st = compile(*e.args[1], sc);
    if (!st.literal || st.lit.k != value::kind::integer)
      throw err::generic(8116, "Argument data type is invalid for argument 3 of convert function.");
    return static_cast<int>(st.lit.i);
  }

  std::string compare(const std::string& op, typed a, typed b) {
    align(a, b);
    const bool chars = is_character(a.type.id) || is_character(b.type.id);
    if (chars && !is_numeric(a.type.id) && !is_numeric(b.type.id)) {
      const bool fixed = a.type.id == type_id::char_ || a.type.id == type_id::nchar ||
                         b.type.id == type_id::char_ || b.type.id == type_id::nchar;
      std::string l = fixed ? "rtrim(" + a.sql + ")" : a.sql;
      std::string r = fixed ? "rtrim(" + b.sql + ")" : b.sql;
      return "(" + l + " " + op + " " + r + " COLLATE NOCASE)";
    }
    return "(" + numeric_sql(a) + " " + op + " " + numeric_sql(b) + ")";
  }

  std::string condition(const expr& e, const scope& sc) {
    typed t = compile(e, sc);
    return t.sql;
  }

  static void merge(typed& into, const typed& from) {
    into.aggregate = into.aggregate || from.aggregate;
    if (into.loose_column.empty()) {
      into.loose_column = from.loose_column;
      into.loose_sql = from.loose_sql;
    }
  }

  typed compile(const expr& e, const scope& sc) {
    switch (e.k) {
      case expr::kind::literal:
        if (e.money) {
          // $2 is money wherever it meets another type, as a money column is.
          typed t = literal(convert_to(e.lit, make(type_id::money)), false);
          t.type = make(type_id::money);
          t.literal = false;
          return t;
        }
        return literal(e.lit, e.unicode);
      case expr::kind::column:
        return column(e, sc);
      case expr::kind::star:
        throw err::syntax_near("*");
      case expr::kind::variable:
        return variable(e.op);
      case expr::kind::unary: {
        typed a = compile(*e.args[0], sc);
        typed t;
        merge(t, a);
        if (e.op == "NOT") {
          t.sql = "(NOT " + a.sql + ")";
          t.type = make(type_id::bit);
          return t;
        }
        if (a.literal && e.op == "-" && a.lit.k != value::kind::text &&
            a.lit.k != value::kind::blob) {
          value v = a.lit;
          if (v.k == value::kind::integer)
            v.i = -v.i;
          else if (v.k == value::kind::real)
            v.r = -v.r;
          else if (v.k == value::kind::number)
            v.s = v.s[0] == '-' ? v.s.substr(1) : "-" + v.s;
          return literal(v, false);
        }
        if (!is_numeric(a.type.id))
          throw err::generic(8117, std::string("Operand data type ") + type_name(a.type.id) +
                                       " is invalid for " + (e.op == "-" ? "minus" : "plus") +
                                       " operator.");
        // Money keeps its stored form (ten-thousandths) under a sign.
        const bool money = a.type.id == type_id::money || a.type.id == type_id::smallmoney;
        t.sql = "(" + (e.op == "~" ? std::string("~") : e.op) + (money ? a.sql : numeric_sql(a)) +
                ")";
        t.type = a.type;
        return t;
      }
      case expr::kind::binary:
        return binary(e, sc);
      case expr::kind::is_null: {
        typed a = compile(*e.args[0], sc);
        typed t;
        merge(t, a);
        t.sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
        t.type = make(type_id::bit);
        return t;
      }
      case expr::kind::like: {
        typed a = compile(*e.args[0], sc);
        typed b = compile(*e.args[1], sc);
        typed t;
        merge(t, a);
        merge(t, b);
        t.sql = "(" + a.sql + (e.negated ? " NOT LIKE " : " LIKE ") + b.sql + ")";
        t.type = make(type_id::bit);
        return t;
      }
      case expr::kind::in_list: {
        typed a = compile(*e.args[0], sc);
        typed t;
        merge(t, a);
        std::string list;
        if (e.args.size() == 2 && e.args[1]->k == expr::kind::subquery) {
          compiled_select inner = compiler(ctx_, counter_).select(*e.args[1]->sub, &sc);
          if (inner.columns.size() != 1)
            throw err::generic(116,
                               "Only one expression can be specified in the select list when "
                               "the subquery is not introduced with EXISTS.");
          list = inner.sql;
        } else {
          for (size_t i = 1; i < e.args.size(); ++i) {
            typed b = compile(*e.args[i], sc);
            align(b, a);
            list += (i > 1 ? ", " : "") + numeric_sql(b);
          }
        }
        std::string lhs = numeric_sql(a);
        t.sql = "(" + lhs + (is_character(a.type.id) ? " COLLATE NOCASE" : "") +
                (e.negated ? " NOT IN (" : " IN (") + list + "))";
        t.type = make(type_id::bit);
        return t;
      }
      case expr::kind::between: {
        typed a = compile(*e.args[0], sc);
        typed lo = compile(*e.args[1], sc);
        typed hi = compile(*e.args[2], sc);
        std::string s = "(" + compare(">=", a, lo) + " AND " + compare("<=", a, hi) + ")";
        typed t;
        merge(t, a);
        t.sql = e.negated ? "(NOT " + s + ")" : s;
        t.type = make(type_id::bit);
        return t;
      }
      case expr::kind::case_when: {
        typed t;
        std::string sql = "(CASE";
        size_t n = e.args.size();
        if (e.args[0]) sql += " " + compile(*e.args[0], sc).sql;
        bool first = true;
        for (size_t i = 1; i + 1 < n; i += 2) {
          typed w = compile(*e.args[i], sc);
          typed th = compile(*e.args[i + 1], sc);
          merge(t, w);
          merge(t, th);
          if (first || (th.type.id != t.type.id && rank(th.type.id) > rank(t.type.id))) {
            t.type = th.type;
            if (first && th.literal && th.lit.k == value::kind::text) t.type.length = 8000;
          }
          first = false;
          sql += " WHEN " + w.sql + " THEN " + (th.literal ? literal_as_stored(th) : th.sql);
        }
        if (e.args[n - 1]) {
          typed el = compile(*e.args[n - 1], sc);
          merge(t, el);
          sql += " ELSE " + (el.literal ? literal_as_stored(el) : el.sql);
        }
        t.sql = sql + " END)";
        return t;
      }
      case expr::kind::cast: {
        typed a = compile(*e.args[0], sc);
        typed t;
        merge(t, a);
        t.type = e.type;
        const int style = style_of(e, sc);
        if (styled_conversion(a.type, e.type, style)) {
          check_style(a.type, e.type, style);
          if (a.literal) {
            value v = convert_styled(a.lit, a.type, e.type, style);
            t.sql = sql_literal(v);
            t.nullable = v.is_null();
            return t;
          }
          t.sql = "tsl_convert(" + a.sql + ", " + std::to_string(static_cast<int>(a.type.id)) +
                  ", " + std::to_string(static_cast<int>(e.type.id)) + ", " +
                  std::to_string(e.type.length) + ", " + std::to_string(e.type.precision) + ", " +
                  std::to_string(e.type.scale) + ", " + std::to_string(style) + ")";
          t.recast = is_date(e.type.id);
          return t;
        }
        if (a.literal) {
          value v = convert_to(a.lit, e.type, a.unicode);
          t.sql = sql_literal(v);
          t.nullable = a.lit.is_null();
          return t;
        }
        const type_id id = e.type.id;
        if (is_date(id) || id == type_id::uniqueidentifier) t.recast = true;
        if (is_integer(id))
          t.sql = "CAST(" + numeric_sql(a) + " AS INTEGER)";
        else if (id == type_id::float_ || id == type_id::real || id == type_id::decimal ||
                 id == type_id::numeric || id == type_id::money || id == type_id::smallmoney)
          t.sql = "CAST(" + numeric_sql(a) + " AS REAL)";
        else if (is_character(id) &&
                 (a.type.id == type_id::money || a.type.id == type_id::smallmoney))
          t.sql = "printf('%.2f', " + a.sql + " / 10000.0)";  // money converts with two decimals
        else if (is_character(id) && storage_of(a.type.id) != storage_class::text)
          t.sql = "CAST(" + a.sql + " AS TEXT)";
        else
          t.sql = a.sql;
        // An explicit conversion to a shorter text cuts it.
        if (is_character(id) && t.type.length > 0)
          t.sql = "substr(" + t.sql + ", 1, " + std::to_string(t.type.length) + ")";
        return t;
      }
      case expr::kind::func:
        return function(e, sc);
      case expr::kind::subquery: {
        compiled_select inner = compiler(ctx_, counter_).select(*e.sub, &sc);
        if (e.op == "exists") {
          typed t;
          t.sql = "(EXISTS (" + inner.sql + "))";
          t.type = make(type_id::bit);
          return t;
        }
        if (inner.columns.size() != 1)
          throw err::generic(116,
                             "Only one expression can be specified in the select list when "
                             "the subquery is not introduced with EXISTS.");
        typed t;
        t.sql = "(" + inner.sql + ")";
        t.type = inner.columns[0].type;
        return t;
      }
    }
    throw err::syntax_near("(");
  }

  // A date argument as SQL; a literal in its stored form.
  std::string date_sql(const typed& x) {
    return x.literal ? literal_as_stored(x) : x.sql;
  }
  static std::string date_type_args(const typed& x) {
    const sql_type t = is_date(x.type.id) ? x.type : make(type_id::datetime);
    return std::to_string(static_cast<int>(t.id)) + ", " + std::to_string(t.scale);
  }

  // DATEADD, DATEDIFF, DATEPART and DATENAME: the first argument is a
  // part's name, not an expression.
  typed date_function(const expr& e, const scope& sc) {
    const std::string& f = e.op;
    const size_t n = f == "datepart" || f == "datename" ? 2 : 3;
    if (e.args.size() != n)
      throw err::generic(174, "The " + f + " function requires " + std::to_string(n) +
                                  " argument(s).", 15);
    if (e.args[0]->k != expr::kind::column || e.args[0]->names.size() != 1)
      throw err::generic(1023, "Invalid parameter 1 specified for " + f + ".", 15);
    const date_part part = date_part_named(e.args[0]->names[0], f);
    const std::string p = std::to_string(static_cast<int>(part));
    std::vector<typed> a;
    for (size_t i = 1; i < n; ++i) a.push_back(compile(*e.args[i], sc));
    typed t;
    for (const auto& x : a) merge(t, x);
    for (const auto& x : a)
      if (!is_date(x.type.id) && !is_character(x.type.id) && !is_integer(x.type.id) &&
          !x.lit.is_null() && !(f == "dateadd" && &x == &a[0]))
        throw err::generic(8116, std::string("Argument data type ") + type_name(x.type.id) +
                                     " is invalid for argument " + (&x == &a[0] ? "2" : "3") +
                                     " of " + f + " function.");
    if (f == "dateadd") {
      // Keeps the date argument's type; a text acts as datetime.
      t.sql = "tsl_dateadd(" + p + ", " + numeric_sql(a[0]) + ", " + date_sql(a[1]) + ", " +
              date_type_args(a[1]) + ")";
      t.type = is_date(a[1].type.id) ? a[1].type : make(type_id::datetime);
      return t;
    }
    if (f == "datediff") {
      t.sql = "tsl_datediff(" + p + ", " + date_sql(a[0]) + ", " + date_sql(a[1]) + ")";
      t.type = make(type_id::int_);
      return t;
    }
    const bool name = f == "datename";
    t.sql = "tsl_datepart(" + p + ", " + date_sql(a[0]) + ", " + date_type_args(a[0]) + ", " +
            (name ? "1" : "0") + ")";
    t.type = name ? make(type_id::nvarchar, 30) : make(type_id::int_);
    return t;
  }

  typed variable(const std::string& name) {
    if (ctx_.params) {
      auto it = ctx_.params->find(name);
      if (it != ctx_.params->end()) {
        const parameter& p = it->second;
        if (!p.type) return literal(p.v, p.unicode);
        // In its type's stored form, as a column of that type would give it.
        typed t = literal(convert_to(p.v, *p.type, p.unicode), is_unicode(p.type->id));
        t.type = *p.type;
        t.literal = false;
        t.nullable = p.v.is_null();
        return t;
      }
    }
    if (name == "@@version") {
      typed t = literal(value::of_text(ctx_.version), true);
      t.type = make(type_id::nvarchar, 300);
      return t;
    }
    if (name == "@@servername") {
      typed t = literal(value::of_text(ctx_.server_name), true);
      t.type = make(type_id::nvarchar, 128);
      return t;
    }
    if (name == "@@error" || name == "@@trancount") {
      typed t = literal(
          value::of_int(name == "@@error" ? ctx_.last_error : ctx_.tran_count), false);
      t.type = make(type_id::int_);
      t.nullable = false;
      return t;
    }
    if (name == "@@language") {
      typed t = literal(value::of_text("us_english"), true);
      t.type = make(type_id::nvarchar, 128);
      return t;
    }
    throw err::generic(137, "Must declare the scalar variable \"" + name + "\".", 15);
  }

  typed binary(const expr& e, const scope& sc) {
    typed a = compile(*e.args[0], sc);
    typed b = compile(*e.args[1], sc);
    typed t;
    merge(t, a);
    merge(t, b);
    t.nullable = a.nullable || b.nullable;
    const std::string& op = e.op;
    if (op == "AND" || op == "OR") {
      t.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
      t.type = make(type_id::bit);
      return t;
    }
    if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
      t.sql = compare(op == "<>" ? "<>" : op, a, b);
      t.type = make(type_id::bit);
      return t;
    }
    const bool chars = is_character(a.type.id) || is_character(b.type.id);
    if (op == "+" && chars && !is_numeric(a.type.id) && !is_numeric(b.type.id)) {
      t.sql = "(" + a.sql + " || " + b.sql + ")";
      bool unicode = is_unicode(a.type.id) || is_unicode(b.type.id);
      t.type = make(unicode ? type_id::nvarchar : type_id::varchar, unicode ? 4000 : 8000);
      return t;
    }
    // datetime plus or minus a number moves it by that many days.
    const auto is_old_date = [](type_id id) {
      return id == type_id::datetime || id == type_id::smalldatetime;
    };
    if (op == "-" && is_old_date(a.type.id) && is_old_date(b.type.id)) {
      t.type = a.type.id == type_id::datetime || b.type.id == type_id::datetime
                   ? make(type_id::datetime)
                   : a.type;
      t.sql = "tsl_datesub(" + a.sql + ", " + b.sql + ", " +
              std::to_string(static_cast<int>(t.type.id)) + ", 0)";
      return t;
    }
    if ((op == "+" || op == "-") &&
        ((is_old_date(a.type.id) && is_numeric(b.type.id)) ||
         (op == "+" && is_numeric(a.type.id) && is_old_date(b.type.id)))) {
      const bool date_first = is_old_date(a.type.id);
      typed& when = date_first ? a : b;
      typed& days = date_first ? b : a;
      t.type = when.type;
      t.recast = true;
      const std::string moved = "strftime('%Y-%m-%d %H:%M:%f', " + when.sql + ", (" +
                                (op == "-" ? "0 - " : "") + numeric_sql(days) + ") || ' days')";
      t.sql = "(CASE WHEN " + when.sql + " IS NULL OR " + days.sql +
              " IS NULL THEN NULL ELSE coalesce(" + moved +
              ", tsl_fail(517, 'Adding a value to "
              "a ''" +
              type_name(when.type.id) + "'' column caused an overflow.')) END)";
      return t;
    }
    if (chars) {
      // A text meeting a number converts to the number's type.
      typed& text = is_character(a.type.id) ? a : b;
      typed& num = is_character(a.type.id) ? b : a;
      if (text.literal) {
        align(text, num);
      } else {
        text.sql = "CAST(" + text.sql + " AS REAL)";
        text.type = make(type_id::float_);
      }
    }
    if (!is_numeric(a.type.id) && !a.lit.is_null())
      throw err::generic(8117, std::string("Operand data type ") + type_name(a.type.id) +
                                   " is invalid for " + op + " operator.");
    if (!is_numeric(b.type.id) && !b.lit.is_null())
      throw err::generic(8117, std::string("Operand data type ") + type_name(b.type.id) +
                                   " is invalid for " + op + " operator.");
    t.type = rank(a.type.id) >= rank(b.type.id) ? a.type : b.type;
    if (t.type.id == type_id::bit || t.type.id == type_id::tinyint ||
        t.type.id == type_id::smallint)
      t.type = make(type_id::int_);
    if (t.type.id == type_id::decimal || t.type.id == type_id::numeric)
      t.type = make(type_id::numeric, 0, 38, std::max(a.type.scale, b.type.scale));
    if (op == "/" && (t.type.id == type_id::numeric))
      t.type.scale = std::max<uint8_t>(t.type.scale, 6);
    std::string sop = op == "%" ? "%" : op;
    t.sql = "(" + numeric_sql(a) + " " + sop + " " + numeric_sql(b) + ")";
    // Money travels in its stored form (ten-thousandths) so that a result
    // compares and computes further as a money column does.
    if (t.type.id == type_id::money || t.type.id == type_id::smallmoney)
      t.sql = "CAST(round(" + t.sql + " * 10000) AS INTEGER)";
    return t;
  }

  typed function(const expr& e, const scope& sc) {
    const std::string& f = e.op;
    if (f == "dateadd" || f == "datediff" || f == "datepart" || f == "datename")
      return date_function(e, sc);
    std::vector<typed> a;
    for (const auto& x : e.args) a.push_back(compile(*x, sc));
    auto need = [&](size_t lo, size_t hi) {
      if (a.size() < lo || a.size() > hi)
        throw err::generic(
            174, "The " + f + " function requires " + std::to_string(lo) + " argument(s).", 15);
    };
    typed t;
    for (const auto& x : a) merge(t, x);
    auto aggregate = [&](typed& r) {
      for (const auto& x : a)
        if (x.aggregate)
          throw err::generic(130,
                             "Cannot perform an aggregate function on an expression "
                             "containing an aggregate or a subquery.");
      r.aggregate = true;
      r.loose_column.clear();
      r.loose_sql.clear();
    };
    const std::string distinct = e.distinct ? "DISTINCT " : "";
    if (f == "count" || f == "count_big") {
      aggregate(t);
      t.sql = e.count_star ? "count(*)" : (need(1, 1), "count(" + distinct + a[0].sql + ")");
      t.type = make(f == "count" ? type_id::int_ : type_id::bigint);
      t.nullable = false;
      return t;
    }
    if (f == "sum" || f == "avg" || f == "min" || f == "max") {
      need(1, 1);
      aggregate(t);
      const type_id id = a[0].type.id;
      if ((f == "sum" || f == "avg") && !is_numeric(id))
        throw err::generic(8117, std::string("Operand data type ") + type_name(id) +
                                     " is invalid for " + f + " operator.");
      std::string arg = a[0].sql;
      if (id == type_id::decimal || id == type_id::numeric) arg = "CAST(" + arg + " AS REAL)";
      // Money is kept in ten-thousandths: an average leaves that scale.
      if (f == "avg" && (id == type_id::money || id == type_id::smallmoney))
        arg = numeric_sql(a[0]);
      t.sql = f == "avg" && is_integer(id) ? "CAST(avg(" + distinct + arg + ") AS INTEGER)"
                                           : f + "(" + distinct + arg + ")";
      t.type = a[0].type;
      if (f != "min" && f != "max") {
        if (is_integer(id)) t.type = make(id == type_id::bigint ? type_id::bigint : type_id::int_);
        if (id == type_id::decimal || id == type_id::numeric)
          t.type =
              make(type_id::numeric, 0, 38, std::max<uint8_t>(a[0].type.scale, f == "avg" ? 6 : 0));
        if (id == type_id::smallmoney) t.type = make(type_id::money);
        if (id == type_id::real) t.type = make(type_id::float_);
      }
      if (is_character(id) && f == "min") t.sql = "min(" + arg + " COLLATE NOCASE)";
      if (is_character(id) && f == "max") t.sql = "max(" + arg + " COLLATE NOCASE)";
      return t;
    }
    auto string_result = [&](const typed& src) {
      bool unicode = is_unicode(src.type.id);
      int32_t len = src.type.length > 0 ? src.type.length : (unicode ? 4000 : 8000);
      return make(unicode ? type_id::nvarchar : type_id::varchar, len);
    };
    if (f == "upper" || f == "lower") {
      need(1, 1);
      t.sql = f + "(" + a[0].sql + ")";
      t.type = string_result(a[0]);
      return t;
    }
    if (f == "ltrim" || f == "rtrim") {
      need(1, 1);
      t.sql = f + "(" + a[0].sql + ", ' ')";
      t.type = string_result(a[0]);
      return t;
    }
    if (f == "len") {
      need(1, 1);
      t.sql = "tsl_len(" + a[0].sql + ", " + (is_unicode(a[0].type.id) ? "1" : "0") + ")";
      t.type = make(type_id::int_);
      return t;
    }
    if (f == "datalength") {
      need(1, 1);
      // Fixed-size types take their storage size whatever the value.
      if (const int size = fixed_size(a[0].type); size > 0)
        t.sql =
            "(CASE WHEN " + a[0].sql + " IS NULL THEN NULL ELSE " + std::to_string(size) + " END)";
      else
        t.sql = "tsl_datalength(" + a[0].sql + ", " + (is_unicode(a[0].type.id) ? "1" : "0") + ")";
      t.type = make(type_id::int_);
      return t;
    }
    if (f == "substring") {
      need(3, 3);
      t.sql = "substr(" + a[0].sql + ", " + a[1].sql + ", " + a[2].sql + ")";
      t.type = string_result(a[0]);
      return t;
    }
    if (f == "left" || f == "right") {
      need(2, 2);
      t.sql = f == "left" ? "substr(" + a[0].sql + ", 1, " + a[1].sql + ")"
                          : "substr(" + a[0].sql + ", -(" + a[1].sql + "))";
      t.type = string_result(a[0]);
      return t;
    }
    if (f == "char" || f == "nchar") {
      // The character of a code; out of range (255, or 65535 for NCHAR) NULL.
      need(1, 1);
      const char* top = f == "char" ? "255" : "65535";
      t.sql = "(CASE WHEN (" + a[0].sql + ") BETWEEN 0 AND " + top + " THEN char(" + a[0].sql +
              ") END)";
      t.type = make(f == "char" ? type_id::varchar : type_id::nvarchar, 1);
      return t;
    }
    if (f == "replace") {
      need(3, 3);
      t.sql = "replace(" + a[0].sql + ", " + a[1].sql + ", " + a[2].sql + ")";
      t.type = string_result(a[0]);
      return t;
    }
    if (f == "replicate") {
      need(2, 2);
      // n copies: the hex text of n zero bytes has n "00" pairs to replace.
      t.sql = "replace(hex(zeroblob(max(0, min(" + a[1].sql + ", 100000000)))), '00', " + a[0].sql +
              ")";
      t.type = string_result(a[0]);
      t.type.length = sql_type::kMax;
      return t;
    }
    if (f == "charindex") {
      need(2, 2);
      t.sql = "instr(lower(" + a[1].sql + "), lower(" + a[0].sql + "))";
      t.type = make(type_id::int_);
      return t;
    }
    if (f == "isnull" || f == "coalesce") {
      if (f == "isnull")
        need(2, 2);
      else
        need(2, 64);
      std::string s = "coalesce(";
      for (size_t i = 0; i < a.size(); ++i)
        s += (i ? ", " : "") + (a[i].literal ? literal_as_stored(a[i]) : a[i].sql);
      t.sql = s + ")";
      t.type = a[0].lit.is_null() && a[0].literal ? a[1].type : a[0].type;
      t.nullable = a.back().nullable;
      return t;
    }
    if (f == "abs") {
      need(1, 1);
      t.sql = "abs(" + numeric_sql(a[0]) + ")";
      t.type = a[0].type;
      return t;
    }
    if (f == "round") {
      need(2, 3);
      t.sql = "round(" + numeric_sql(a[0]) + ", " + a[1].sql + ")";
      t.type = a[0].type;
      return t;
    }
    if (f == "db_name") {
      need(0, 1);
      value v = value::of_text(ctx_.db->name());
      if (!a.empty()) {
        // Database ids as SQL Server numbers them: the four system
        // databases first, then the others by name.
        if (!a[0].literal || a[0].lit.k != value::kind::integer)
          throw err::generic(8116,
                             "Argument data type is invalid for argument 1 of db_name "
                             "function.");
        std::vector<std::string> ids = {"master", "tempdb", "model", "msdb"};
        if (ctx_.database_names)
          for (const auto& n : ctx_.database_names())
            if (std::find_if(ids.begin(), ids.end(),
                             [&](const std::string& x) { return iequals(x, n); }) == ids.end())
              ids.push_back(n);
        const int64_t id = a[0].lit.i;
        v = id >= 1 && id <= static_cast<int64_t>(ids.size())
                ? value::of_text(ids[static_cast<size_t>(id - 1)])
                : value::null();
      }
      typed r = literal(v, true);
      r.type = make(type_id::nvarchar, 128);
      r.nullable = v.is_null();
      return r;
    }
    if (value v; a.empty() && caught_error_value(f, ctx_, v)) {
      const bool text = f == "error_message" || f == "error_procedure";
      typed r = literal(v, text);
      r.type =
          text ? make(type_id::nvarchar, f == "error_message" ? 4000 : 128) : make(type_id::int_);
      r.nullable = true;
      return r;
    }
    if (f == "serverproperty") {
      need(1, 1);
      value v;
      if (a[0].literal && a[0].lit.k == value::kind::text)
        v = server_property(a[0].lit.s, ctx_.version, ctx_.server_name);
      typed r = literal(v, true);
      r.type = make(type_id::sql_variant);
      r.nullable = true;
      return r;
    }
    if (f == "getdate" || f == "current_timestamp" || f == "sysdatetime") {
      need(0, 0);
      t.sql = "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')";
      t.type = make(type_id::datetime);
      t.nullable = false;
      return t;
    }
    if (f == "year" || f == "month" || f == "day") {
      need(1, 1);
      const date_part part =
          f == "year" ? date_part::year : f == "month" ? date_part::month : date_part::day;
      t.sql = "tsl_datepart(" + std::to_string(static_cast<int>(part)) + ", " + date_sql(a[0]) +
              ", " + date_type_args(a[0]) + ", 0)";
      t.type = make(type_id::int_);
      return t;
    }
    if (f == "eomonth") {
      need(1, 2);
      t.sql = "tsl_eomonth(" + date_sql(a[0]) + ", " + (a.size() > 1 ? numeric_sql(a[1]) : "0") +
              ")";
      t.type = make(type_id::date);
      return t;
    }
    if (f == "datefromparts") {
      need(3, 3);
      t.sql = "tsl_datefromparts(" + numeric_sql(a[0]) + ", " + numeric_sql(a[1]) + ", " +
              numeric_sql(a[2]) + ")";
      t.type = make(type_id::date);
      return t;
    }
    throw err::generic(195, "'" + f + "' is not a recognized built-in function name.", 15);
  }
};

}  // namespace

table_info& resolve_table(const object_name& n, const compile_context& ctx, database** owner) {
  database* db = ctx.db;
  if (!n.db.empty() && !iequals(n.db, db->name())) {
    db = ctx.other_db ? ctx.other_db(n.db) : nullptr;
    if (!db) throw err::invalid_object(n.text());
  }
  table_info* t = nullptr;
  if (!n.schema.empty()) {
    t = db->find_table(n.schema, n.name);
  } else {
    if (!ctx.default_schema.empty()) t = db->find_table(ctx.default_schema, n.name);
    if (!t) t = db->find_table("dbo", n.name);
  }
  if (!t) throw err::invalid_object(n.text());
  if (owner) *owner = db;
  return *t;
}

compiled_select compile_select(const select_stmt& s, const compile_context& ctx) {
  return compiler(ctx).select(s, nullptr);
}

bool caught_error_value(const std::string& name, const compile_context& ctx, value& out) {
  if (name != "error_number" && name != "error_message" && name != "error_severity" &&
      name != "error_state" && name != "error_line" && name != "error_procedure")
    return false;
  out = value::null();
  if (!ctx.caught || name == "error_procedure") return true;
  const error_record& r = ctx.caught->records().front();
  if (name == "error_number") out = value::of_int(r.number);
  if (name == "error_message") out = value::of_text(r.message);
  if (name == "error_severity") out = value::of_int(r.severity);
  if (name == "error_state") out = value::of_int(r.state);
  if (name == "error_line") out = value::of_int(1);
  return true;
}

compiled_select compile_row_query(const object_name& table, const std::vector<const expr*>& values,
                                  const expr* where, const compile_context& ctx) {
  return compiler(ctx).rows(table, values, where);
}

namespace {
// The type of a constant where a conversion style depends on it.
std::optional<sql_type> constant_type(const expr& e, const value& v, bool unicode) {
  if (e.k == expr::kind::cast) return e.type;
  if (e.k == expr::kind::func && (e.op == "getdate" || e.op == "sysdatetime" ||
                                  e.op == "current_timestamp" || e.op == "getutcdate"))
    return make(e.op == "sysdatetime" ? type_id::datetime2 : type_id::datetime);
  if (e.k == expr::kind::func && (e.op == "eomonth" || e.op == "datefromparts"))
    return make(type_id::date);
  if (e.k == expr::kind::func && e.op == "dateadd" && e.args.size() == 3) {
    std::optional<sql_type> inner = constant_type(*e.args[2], v, unicode);
    return inner && is_date(inner->id) ? inner : make(type_id::datetime);
  }
  if (v.k == value::kind::blob) return make(type_id::varbinary, 8000);
  if (v.k == value::kind::text) return make(unicode ? type_id::nvarchar : type_id::varchar, 8000);
  return std::nullopt;
}

// The date functions over constants, as the compiler gives them over rows.
std::optional<value> constant_date_function(const expr& e, const compile_context& ctx,
                                            bool* unicode) {
  const std::string& f = e.op;
  const bool named = f == "dateadd" || f == "datediff" || f == "datepart" || f == "datename";
  if (!named && f != "year" && f != "month" && f != "day" && f != "eomonth" &&
      f != "datefromparts")
    return std::nullopt;
  std::vector<value> a;
  std::vector<sql_type> types;
  for (size_t i = named ? 1 : 0; i < e.args.size(); ++i) {
    bool u = false;
    a.push_back(evaluate_constant(*e.args[i], ctx, &u));
    types.push_back(constant_type(*e.args[i], a.back(), u).value_or(make(type_id::datetime)));
  }
  auto need = [&](size_t lo, size_t hi) {
    if (e.args.size() < lo || e.args.size() > hi)
      throw err::generic(174, "The " + f + " function requires " + std::to_string(lo) +
                                  " argument(s).", 15);
  };
  if (unicode) *unicode = f == "datename";
  if (f == "year" || f == "month" || f == "day") {
    need(1, 1);
    return date_part_of(f == "year"    ? date_part::year
                        : f == "month" ? date_part::month
                                       : date_part::day,
                        a[0], types[0]);
  }
  if (f == "eomonth") {
    need(1, 2);
    if (a.size() > 1 && a[1].is_null()) return value::null();
    return end_of_month(a[0], a.size() > 1 ? convert_to(a[1], make(type_id::int_)).i : 0);
  }
  if (f == "datefromparts") {
    need(3, 3);
    return date_from_parts(a[0], a[1], a[2]);
  }
  need(f == "dateadd" || f == "datediff" ? 3 : 2, f == "dateadd" || f == "datediff" ? 3 : 2);
  if (e.args[0]->k != expr::kind::column || e.args[0]->names.size() != 1)
    throw err::generic(1023, "Invalid parameter 1 specified for " + f + ".", 15);
  const date_part part = date_part_named(e.args[0]->names[0], f);
  if (f == "dateadd") {
    if (a[0].is_null()) return value::null();
    return date_add(part, convert_to(a[0], make(type_id::int_)).i, a[1], types[1]);
  }
  if (f == "datediff") return date_diff(part, a[0], a[1]);
  if (f == "datepart") return date_part_of(part, a[0], types[0]);
  return date_name(part, a[0], types[0]);
}
}  // namespace

value evaluate_constant(const expr& e, const compile_context& ctx, bool* unicode) {
  switch (e.k) {
    case expr::kind::literal:
      if (unicode) *unicode = e.unicode;
      return e.lit;
    case expr::kind::unary: {
      value v = evaluate_constant(*e.args[0], ctx, unicode);
      if (e.op == "+") return v;
      if (e.op == "-") {
        if (v.k == value::kind::integer) return value::of_int(-v.i);
        if (v.k == value::kind::real) return value::of_real(-v.r);
        if (v.k == value::kind::number)
          return value::of_number(v.s[0] == '-' ? v.s.substr(1) : "-" + v.s);
      }
      throw err::syntax_near(e.op);
    }
    case expr::kind::variable:
      if (e.op == "@@version") return value::of_text(ctx.version);
      if (e.op == "@@error") return value::of_int(ctx.last_error);
      if (e.op == "@@trancount") return value::of_int(ctx.tran_count);
      if (ctx.params) {
        auto it = ctx.params->find(e.op);
        if (it != ctx.params->end()) {
          if (unicode) *unicode = it->second.unicode;
          return it->second.v;
        }
      }
      throw err::generic(137, "Must declare the scalar variable \"" + e.op + "\".", 15);
    case expr::kind::cast: {
      bool u = false;
      value v = evaluate_constant(*e.args[0], ctx, &u);
      int style = -1;
      if (e.args.size() > 1) {
        value sv = evaluate_constant(*e.args[1], ctx);
        if (sv.k != value::kind::integer)
          throw err::generic(8116,
                             "Argument data type is invalid for argument 3 of convert function.");
        style = static_cast<int>(sv.i);
      }
      if (std::optional<sql_type> from = constant_type(*e.args[0], v, u);
          from && styled_conversion(*from, e.type, style)) {
        if (unicode) *unicode = is_unicode(e.type.id);
        return convert_styled(
            from->id == type_id::datetime && v.k == value::kind::text ? convert_to(v, *from) : v,
            *from, e.type, style);
      }
      // An explicit conversion of text to binary takes the text's bytes.
      if (v.k == value::kind::text && is_binary(e.type.id)) v = value::of_blob(v.s);
      // An explicit conversion to a shorter character type cuts the text.
      if (v.k == value::kind::text && is_character(e.type.id) && !e.type.is_max() &&
          e.type.length > 0) {
        size_t chars = 0, i = 0;
        while (i < v.s.size() && chars < static_cast<size_t>(e.type.length)) {
          ++i;
          while (i < v.s.size() && (static_cast<unsigned char>(v.s[i]) & 0xC0) == 0x80) ++i;
          ++chars;
        }
        v.s.resize(i);
      }
      if (unicode) *unicode = is_unicode(e.type.id);
      return convert_to(v, e.type, u);
    }
    case expr::kind::binary: {
      bool ua = false, ub = false;
      value a = evaluate_constant(*e.args[0], ctx, &ua);
      value b = evaluate_constant(*e.args[1], ctx, &ub);
      if (e.op == "+" && a.k == b.k && (a.k == value::kind::text || a.k == value::kind::blob)) {
        if (unicode) *unicode = ua || ub;
        a.s += b.s;
        return a;
      }
      if (e.op == "+" && (a.is_null() || b.is_null())) return value::null();
      throw err::generic(1046, "Only constants and concatenations are allowed here.", 15);
    }
    case expr::kind::func:
      if ((e.op == "getdate" || e.op == "sysdatetime") && e.args.empty()) {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char b[32];
        std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S", &tm);
        return value::of_text(b);
      }
      if (std::optional<value> d = constant_date_function(e, ctx, unicode)) return *d;
      if (e.op == "replicate" && e.args.size() == 2) {
        bool u = false;
        value text = evaluate_constant(*e.args[0], ctx, &u);
        value count = evaluate_constant(*e.args[1], ctx);
        if (text.is_null() || count.is_null()) return value::null();
        if (text.k != value::kind::text || count.k != value::kind::integer)
          throw err::generic(8116,
                             "Argument data type is invalid for argument 1 of replicate function.");
        if (count.i < 0) return value::null();
        if (static_cast<double>(count.i) * static_cast<double>(text.s.size()) > 64.0 * 1024 * 1024)
          throw err::generic(1101,
                             "The value is too large for this server to build in one statement.");
        std::string out;
        out.reserve(text.s.size() * static_cast<size_t>(count.i));
        for (int64_t i = 0; i < count.i; ++i) out += text.s;
        if (unicode) *unicode = u;
        return value::of_text(std::move(out));
      }
      if (value v; e.args.empty() && caught_error_value(e.op, ctx, v)) {
        if (unicode) *unicode = true;
        return v;
      }
      if (e.op == "newid" && e.args.empty()) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string g;
        for (int i = 0; i < 32; ++i) {
          if (i == 8 || i == 12 || i == 16 || i == 20) g += '-';
          g += kHex[std::rand() % 16];
        }
        return value::of_text(g);
      }
      throw err::generic(128,
                         "The name \"" + e.op +
                             "\" is not permitted in this context. Valid expressions are "
                             "constants, constant expressions, and (in some contexts) "
                             "variables. Column names are not permitted.",
                         15);
    case expr::kind::column:
      throw err::generic(128,
                         "The name \"" + e.names.back() +
                             "\" is not permitted in this context. Valid expressions are "
                             "constants, constant expressions, and (in some contexts) "
                             "variables. Column names are not permitted.",
                         15);
    default:
      throw err::generic(1046,
                         "Subqueries are not allowed in this context. Only scalar "
                         "expressions are allowed.",
                         15);
  }
}

}  // namespace tsl::mssql
