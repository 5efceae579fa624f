#include "ORA/ora_indexes_initializer.h"

#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_trace.h"

bool ora_indexes_initializer::can_be_part_of_index(const t_ftd& field, int release) {
  tk_trace(1, "GOT FIELD: vt=%d, size=%d", static_cast<int>(field.vartype()),
           static_cast<int>(field.size()));
  if (field.vartype() == VT_BLOB_OBJECT) return !is_lob_column(VT_BLOB, field.size(), release);
  return !is_lob_column(field.vartype(), field.size(), release);
}

ora_indexes_initializer::ora_indexes_initializer(const std::u16string& table,
                                                 const udb_schema& fields,
                                                 const udb_indexes& source,
                                                 const t_names_map& names, int release)
    : table_(table), fields_(fields), names_(names) {
  ora_in_validator& v = ora_in_validator::instance();
  v.load(source);
  for (const udb_index& s : source) {
    std::u16string name = s.name();
    const bool refused = !v.is_acceptable(name);
    if (refused) name = v.get_safe_name(name);
    udb_index index(name, s.is_unique(), s.is_primary(), {});
    bool usable = true;
    for (const std::u16string& column : s.fields()) {
      std::u16string mapped = names_.get_mapped_name(column, false);
      if (!fields_.find_field(mapped)) {
        tk_trace_w(2, u"Field '%s' cannot be part of index", mapped.c_str());
        usable = false;
        break;
      }
      const t_ftd& f = fields_.get_field(mapped);
      if (!can_be_part_of_index(f, release)) {
        tk_trace_w(2, u"Field '%s' cannot be part of index", mapped.c_str());
        usable = false;
        break;
      }
      index.add_field(f.name());
    }
    if (!usable) continue;
    if (refused) {
      tk_trace_w(1, u"Store generated index name '%s'", name.c_str());
      v.add_used(name);
    }
    v.add_restricted(name);
    if (index.is_primary()) primary_ = static_cast<int>(indexes_.size());
    indexes_.add(std::move(index));
  }
}

std::u16string ora_indexes_initializer::index_text(size_t i) const {
  const udb_index& index = indexes_[i];
  std::u16string sql;
  if (index.is_primary()) {
    sql = u"ALTER TABLE " + ora_quoted(table_) + u" ADD CONSTRAINT " + ora_quoted(index.name()) +
          u" PRIMARY KEY (";
  } else if (primary_ >= 0 && index.consists_of_fields(indexes_[primary_].fields())) {
    tk_trace_w(2, u"Skip index '%s', it is equal to PK", index.name().c_str());
    return std::u16string();
  } else if (index.is_unique()) {
    sql = u"ALTER TABLE " + ora_quoted(table_) + u" ADD CONSTRAINT " + ora_quoted(index.name()) +
          u" UNIQUE (";
  } else {
    sql = u"CREATE INDEX " + ora_quoted(index.name()) + u" ON " + ora_quoted(table_) + u" (";
  }
  for (size_t k = 0; k < index.fields().size(); ++k) {
    tk_trace_w(1, u"Process idx.field %s", index.fields()[k].c_str());
    if (k != 0) sql += u", ";
    sql += ora_quoted(index.fields()[k]);
  }
  return sql + u")";
}

void ora_indexes_initializer::build_indexes() {
  tk_trace(2, "ora_indexes_initializer::build_indexes(n_indexes=%d)",
           static_cast<int>(indexes_.size()));
  for (size_t i = 0; i < indexes_.size(); ++i) {
    std::u16string sql = index_text(i);
    if (sql.empty()) continue;
    tk_trace_w(3, u"Run SQL query: %s\n", sql.c_str());
    try {
      ora_execute(sql, OCI_DEFAULT);
    } catch (const ora_exception& e) {
      tk_trace(2, "Got error: %08X", static_cast<unsigned>(e.ora_number()));
      if (e.ora_number() == 1408 || e.ora_number() == 2261) continue;
      throw;
    }
  }
}
