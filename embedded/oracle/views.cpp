#include "embedded/oracle/views.h"

#include "embedded/oracle/session.h"

namespace tsl::eora {

namespace {

class view {
 public:
  view(source& out, bool with_rows) : out_(out), rows_(with_rows) {}
  void text(const char* name, int len) { add(name, column_type{type_code::varchar2, len}); }
  void number(const char* name) { add(name, column_type{type_code::number}); }
  void long_text(const char* name) { add(name, column_type{type_code::long_}); }
  bool wants_rows() const { return rows_; }
  void push(row r) { out_.rows.push_back(std::move(r)); }

 private:
  void add(const char* name, column_type t) {
    result_column c;
    c.name = name;
    c.type = t;
    out_.columns.push_back(c);
  }
  source& out_;
  bool rows_;
};

value txt(const std::string& s) {
  return value::text(s);
}
value num(int64_t n) {
  return value::number(decimal::from_int(n));
}
value num_text(const std::string& s) {
  auto d = decimal::parse(s);
  return d ? value::number(*d) : value::null();
}
value long_value(const std::string& s) {
  value v;
  if (s.empty()) return v;
  v.kind = vkind::text;
  v.str = s;
  return v;
}

}  // namespace

bool dictionary_view(session& s, const std::string& name, bool with_rows, source& out) {
  const release& rel = s.database().version;
  const int name_len = static_cast<int>(rel.max_name());
  const bool v8 = !rel.before_8();
  sqlite3* db = s.storage().get();
  const std::string& owner = s.user();
  view v(out, with_rows);
  out.name = name;

  if (name == "DUAL") {
    v.text("DUMMY", 1);
    if (with_rows) v.push({txt("X")});
    return true;
  }
  if (name == "V$VERSION") {
    std::vector<std::string> banner = rel.banner();
    v.text("BANNER", rel.major >= 18 ? 80 : 64);
    if (rel.major >= 18) {
      v.text("BANNER_FULL", 160);
      v.text("BANNER_LEGACY", 80);
    }
    if (rel.major >= 12) v.number("CON_ID");
    if (!with_rows) return true;
    for (std::string b : banner) {
      // BANNER is VARCHAR2(64) before 18c: longer texts are cut.
      if (rel.major < 18 && b.size() > 64) b.resize(64);
      row r{txt(b)};
      if (rel.major >= 18) {
        r.push_back(txt(b + "\nVersion " + rel.full));
        r.push_back(txt(b));
      }
      if (rel.major >= 12) r.push_back(num(0));
      v.push(std::move(r));
    }
    return true;
  }
  if (name == "USER_TABLES" || name == "TABS") {
    v.text("TABLE_NAME", name_len);
    v.text("TABLESPACE_NAME", 30);
    v.text("STATUS", 8);
    v.number("NUM_ROWS");
    if (v8) {
      v.text("IOT_NAME", name_len);
      v.text("IOT_TYPE", 12);
      v.text("TEMPORARY", 1);
      v.text("NESTED", 3);
    }
    if (!with_rows) return true;
    sqlite_stmt q(db, "SELECT name FROM objects WHERE owner = ? AND type = 'TABLE' ORDER BY id");
    q.bind(1, owner);
    while (q.step()) {
      row r{txt(q.text(0)), txt("USERS"), txt("VALID"), value::null()};
      if (v8) {
        r.push_back(value::null());
        r.push_back(value::null());
        r.push_back(txt("N"));
        r.push_back(txt("NO"));
      }
      v.push(std::move(r));
    }
    return true;
  }
  if (name == "USER_TAB_COLUMNS" || name == "COLS") {
    v.text("TABLE_NAME", name_len);
    v.text("COLUMN_NAME", name_len);
    v.text("DATA_TYPE", 106);
    v.number("DATA_LENGTH");
    v.number("DATA_PRECISION");
    v.number("DATA_SCALE");
    v.text("NULLABLE", 1);
    v.number("COLUMN_ID");
    v.number("DEFAULT_LENGTH");
    v.long_text("DATA_DEFAULT");
    v.number("CHAR_LENGTH");
    v.text("CHAR_USED", 1);
    if (!with_rows) return true;
    sqlite_stmt q(
        db,
        "SELECT o.id, o.name FROM objects o WHERE o.owner = ? AND o.type = 'TABLE' ORDER BY o.id");
    q.bind(1, owner);
    while (q.step()) {
      table_info* t = s.dictionary().find_table(q.text(1));
      if (t == nullptr) continue;
      for (const column_info& c : t->columns) {
        const column_type& ty = c.type;
        row r{txt(t->name), txt(c.name), txt(ty.type_name()), num(ty.data_length())};
        bool numeric = ty.code == type_code::number || ty.code == type_code::float_;
        r.push_back(numeric && ty.precision >= 0 ? num(ty.precision) : value::null());
        r.push_back(ty.code == type_code::number && ty.has_scale() ? num(ty.scale) : value::null());
        r.push_back(txt(c.nullable ? "Y" : "N"));
        r.push_back(num(c.id));
        r.push_back(c.default_text.empty() ? value::null()
                                           : num(static_cast<int64_t>(c.default_text.size())));
        r.push_back(long_value(c.default_text));
        r.push_back(num(ty.char_length()));
        r.push_back(ty.is_text() ? txt(ty.char_semantics ? "C" : "B") : value::null());
        v.push(std::move(r));
      }
    }
    return true;
  }
  if (name == "USER_CONSTRAINTS") {
    v.text("OWNER", name_len);
    v.text("CONSTRAINT_NAME", name_len);
    v.text("CONSTRAINT_TYPE", 1);
    v.text("TABLE_NAME", name_len);
    v.long_text("SEARCH_CONDITION");
    v.text("R_OWNER", name_len);
    v.text("R_CONSTRAINT_NAME", name_len);
    v.text("DELETE_RULE", 9);
    v.text("STATUS", 8);
    v.text("DEFERRABLE", 14);
    v.text("DEFERRED", 9);
    v.text("VALIDATED", 13);
    v.text("GENERATED", 14);
    v.text("INDEX_NAME", name_len);
    if (!with_rows) return true;
    sqlite_stmt q(
        db,
        "SELECT c.name, c.type, o.name, c.search_condition, c.r_owner, c.r_name, c.delete_rule, "
        "c.generated, c.index_name FROM constraints c JOIN objects o ON o.id = c.table_id "
        "WHERE c.owner = ? ORDER BY c.seq");
    q.bind(1, owner);
    while (q.step()) {
      std::string type = q.text(1);
      row r{txt(owner),     txt(q.text(0)), txt(type), txt(q.text(2)), long_value(q.text(3)),
            txt(q.text(4)), txt(q.text(5))};
      r.push_back(type == "R" ? txt(q.text(6).empty() ? "NO ACTION" : q.text(6)) : value::null());
      r.push_back(txt("ENABLED"));
      r.push_back(txt("NOT DEFERRABLE"));
      r.push_back(txt("IMMEDIATE"));
      r.push_back(txt("VALIDATED"));
      r.push_back(txt(q.int64(7) ? "GENERATED NAME" : "USER NAME"));
      r.push_back(txt(q.text(8)));
      v.push(std::move(r));
    }
    return true;
  }
  if (name == "USER_CONS_COLUMNS") {
    v.text("OWNER", name_len);
    v.text("CONSTRAINT_NAME", name_len);
    v.text("TABLE_NAME", name_len);
    v.text("COLUMN_NAME", 4000);
    v.number("POSITION");
    if (!with_rows) return true;
    sqlite_stmt q(
        db,
        "SELECT cc.constraint_name, o.name, cc.column_name, cc.position, c.type FROM cons_columns "
        "cc "
        "JOIN constraints c ON c.owner = cc.owner AND c.name = cc.constraint_name "
        "JOIN objects o ON o.id = c.table_id WHERE cc.owner = ? ORDER BY c.seq, cc.position");
    q.bind(1, owner);
    while (q.step())
      v.push({txt(owner), txt(q.text(0)), txt(q.text(1)), txt(q.text(2)),
              q.text(4) == "C" ? value::null() : num(q.int64(3))});
    return true;
  }
  if (name == "USER_INDEXES" || name == "IND") {
    v.text("INDEX_NAME", name_len);
    v.text("INDEX_TYPE", 27);
    v.text("TABLE_OWNER", name_len);
    v.text("TABLE_NAME", name_len);
    v.text("TABLE_TYPE", 11);
    v.text("UNIQUENESS", 9);
    v.text("TABLESPACE_NAME", 30);
    v.text("STATUS", 8);
    if (v8) v.text("GENERATED", 1);
    if (!with_rows) return true;
    sqlite_stmt q(db,
                  "SELECT i.name, o.name, i.is_unique, i.generated FROM indexes i JOIN objects o "
                  "ON o.id = i.table_id "
                  "WHERE i.owner = ? ORDER BY i.seq");
    q.bind(1, owner);
    while (q.step()) {
      row r{txt(q.text(0)), txt("NORMAL"), txt(owner),
            txt(q.text(1)), txt("TABLE"),  txt(q.int64(2) ? "UNIQUE" : "NONUNIQUE"),
            txt("USERS"),   txt("VALID")};
      if (v8) r.push_back(txt(q.int64(3) ? "Y" : "N"));
      v.push(std::move(r));
    }
    return true;
  }
  if (name == "USER_IND_COLUMNS") {
    v.text("INDEX_NAME", name_len);
    v.text("TABLE_NAME", name_len);
    v.text("COLUMN_NAME", 4000);
    v.number("COLUMN_POSITION");
    v.number("COLUMN_LENGTH");
    v.number("CHAR_LENGTH");
    v.text("DESCEND", 4);
    if (!with_rows) return true;
    sqlite_stmt q(
        db,
        "SELECT ic.index_name, o.name, ic.column_name, ic.position, ic.descend FROM ind_columns ic "
        "JOIN indexes i ON i.owner = ic.owner AND i.name = ic.index_name "
        "JOIN objects o ON o.id = i.table_id WHERE ic.owner = ? ORDER BY i.seq, ic.position");
    q.bind(1, owner);
    while (q.step()) {
      table_info* t = s.dictionary().find_table(q.text(1));
      int col = t != nullptr ? t->find_column(q.text(2)) : -1;
      const column_type* ty = col >= 0 ? &t->columns[static_cast<size_t>(col)].type : nullptr;
      v.push({txt(q.text(0)), txt(q.text(1)), txt(q.text(2)), num(q.int64(3)),
              num(ty ? ty->data_length() : 0), num(ty ? ty->char_length() : 0),
              txt(q.int64(4) ? "DESC" : "ASC")});
    }
    return true;
  }
  if (name == "USER_SEQUENCES" || name == "SEQ") {
    v.text("SEQUENCE_NAME", name_len);
    v.number("MIN_VALUE");
    v.number("MAX_VALUE");
    v.number("INCREMENT_BY");
    v.text("CYCLE_FLAG", 1);
    v.text("ORDER_FLAG", 1);
    v.number("CACHE_SIZE");
    v.number("LAST_NUMBER");
    if (!with_rows) return true;
    sqlite_stmt q(db,
                  "SELECT name, min_value, max_value, increment, cycle, ord, cache, last_number "
                  "FROM sequences "
                  "WHERE owner = ? ORDER BY name");
    q.bind(1, owner);
    while (q.step())
      v.push({txt(q.text(0)), num_text(q.text(1)), num_text(q.text(2)), num_text(q.text(3)),
              txt(q.int64(4) ? "Y" : "N"), txt(q.int64(5) ? "Y" : "N"), num(q.int64(6)),
              num_text(q.text(7))});
    return true;
  }
  if (name == "USER_TRIGGERS") {
    v.text("TRIGGER_NAME", name_len);
    v.text("TRIGGER_TYPE", 16);
    v.text("TRIGGERING_EVENT", 227);
    v.text("TABLE_OWNER", name_len);
    v.text("BASE_OBJECT_TYPE", 16);
    v.text("TABLE_NAME", name_len);
    v.text("COLUMN_NAME", 4000);
    v.text("REFERENCING_NAMES", 128);
    v.text("WHEN_CLAUSE", 4000);
    v.text("STATUS", 8);
    v.text("DESCRIPTION", 4000);
    v.text("ACTION_TYPE", 11);
    v.long_text("TRIGGER_BODY");
    if (!with_rows) return true;
    sqlite_stmt q(db,
                  "SELECT g.name, g.timing, g.events, o.name, g.for_each_row, g.when_text, g.body "
                  "FROM triggers g "
                  "JOIN objects o ON o.id = g.table_id WHERE g.owner = ? ORDER BY g.name");
    q.bind(1, owner);
    while (q.step()) {
      std::string type = q.text(1) + (q.int64(4) ? " EACH ROW" : " STATEMENT");
      std::string desc = q.text(0) + " " + q.text(1) + " " + q.text(2) + " ON " + q.text(3) +
                         (q.int64(4) ? " FOR EACH ROW" : "");
      v.push({txt(q.text(0)), txt(type), txt(q.text(2)), txt(owner), txt("TABLE"), txt(q.text(3)),
              value::null(), txt("REFERENCING NEW AS NEW OLD AS OLD"), txt(q.text(5)),
              txt("ENABLED"), txt(desc), txt("PL/SQL"), long_value(q.text(6))});
    }
    return true;
  }
  if (name == "USER_OBJECTS") {
    v.text("OBJECT_NAME", name_len);
    v.number("OBJECT_ID");
    v.text("OBJECT_TYPE", 23);
    v.text("STATUS", 7);
    if (!with_rows) return true;
    sqlite_stmt q(db,
                  "SELECT name, id, type, 1 FROM objects WHERE owner = ? UNION ALL "
                  "SELECT name, NULL, 'INDEX', 1 FROM indexes WHERE owner = ? UNION ALL "
                  "SELECT name, NULL, 'TRIGGER', valid FROM triggers WHERE owner = ? ORDER BY 1");
    q.bind(1, owner).bind(2, owner).bind(3, owner);
    while (q.step())
      v.push({txt(q.text(0)), q.is_null(1) ? value::null() : num(q.int64(1)), txt(q.text(2)),
              txt(q.int64(3) ? "VALID" : "INVALID")});
    return true;
  }
  return false;
}

}  // namespace tsl::eora
