#include "ORA/ora_schema_initializer.h"

#include "ORA/ora_database.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

ora_schema_initializer::ora_schema_initializer(const std::u16string& table,
                                               const udb_schema& fields, const udb_indexes&,
                                               bool upper_case)
    : table_(table), upper_case_(upper_case), validator_(fields) {
  tk_trace(2, "ora_schema_initializer::ctor");
  for (size_t i = 0; i < fields.size(); ++i) {
    const t_ftd& source = fields[i];
    std::u16string name = upper_case_ ? tk_wstring::to_upper(source.name()) : source.name();
    if (!validator_.is_acceptable(name)) name = validator_.get_safe_name(name);
    if (name != source.name()) {
      tk_trace_w(1, u"Store generated column name '%s'", name.c_str());
      validator_.add_used(name);
      tk_trace_w(1, u"udb_validator::add_mapped_pair(%s,%s)", source.name().c_str(), name.c_str());
      names_.add(source.name(), name);
    }
    const bool identity = source.is_identity();
    if (identity) identity_ = name;
    auto* field = new t_ftd(source.size(), name, source.vartype(),
                            identity ? false : source.is_not_null(), identity,
                            identity ? ole_variant() : source.default_value(), source.reserved());
    field->set_fixed_length(source.is_fixed_length());
    if (!identity) field->set_default_expression(source.default_expression());
    fields_.add(field);
    column_names_.push_back(name);
  }
}

std::u16string ora_schema_initializer::create_table_text() const {
  std::u16string sql = u"CREATE TABLE " + ora_quoted(table_) + u" (";
  for (size_t i = 0; i < fields_.size(); ++i) {
    const t_ftd& f = fields_[i];
    if (i != 0) sql += u", ";
    sql += ora_quoted(f.name()) + u" " + get_native_type(f, release_);
    std::u16string def = make_ora_def_val(&f);
    tk_trace_w(1, u"got def value: %s", def.c_str());
    const bool lob = is_lob_column(f.vartype(), f.size(), release_);
    if (!def.empty() && !lob) sql += u" DEFAULT " + def;
    if (f.is_not_null() && !lob) sql += u" NOT NULL";
  }
  sql += u")";
  return sql;
}

std::vector<std::string> ora_schema_initializer::warnings() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const t_ftd& f = fields_[i];
    if (is_lob_column(f.vartype(), f.size(), release_) || !default_left_out(f)) continue;
    const std::u16string what =
        f.default_expression().empty() ? f.default_value().to_wstring() : f.default_expression();
    out.push_back("The default " + tsl::text::utf16_to_utf8(what) + " of column " +
                  tsl::text::utf16_to_utf8(f.name()) + " of table " +
                  tsl::text::utf16_to_utf8(table_) + " has no Oracle equivalent: left out.");
  }
  return out;
}

void ora_schema_initializer::get_init_str(ora_database& db) {
  tk_trace(2, "ora_schema_initializer::get_init_str(n_columns=%d)",
           static_cast<int>(fields_.size()));
  db.run(create_table_text());
  if (identity_.empty()) return;
  sequence_ = create_sequence(db);
  if (sequence_.empty()) {
    tk_trace(2, "Failed to create a sequence");
    // The copied rows would keep their values, but new rows would get none.
    throw tk_exception(
        "No free name for the table's sequence.\nAuto increment will not be converted.", 0);
  }
  db.create_identity_trigger(table_, identity_, sequence_);
}

std::u16string ora_schema_initializer::sequence_name(int n) const {
  std::u16string suffix = tsl::text::format(u"_%d", n);
  // The name must fit Oracle's 30 bytes with its suffix.
  return validator_.cut_to(table_, ora_validator::max_name - suffix.size()) + suffix;
}

std::u16string ora_schema_initializer::create_sequence(ora_database& db) {
  tk_trace(2, "ora_schema_initializer::create_sequence");
  for (int n = 0; n < 100; ++n) {
    std::u16string name = sequence_name(n);
    // Tables and sequences share Oracle's names: a table of the run needs it.
    if (db.is_reserved(name)) continue;
    try {
      db.run(u"CREATE SEQUENCE " + ora_quoted(name) + ora_database::sequence_options(u"1"));
      return name;
    } catch (const ora_exception& e) {
      if (e.ora_number() == 955) continue;
      if (e.ora_number() == 1031)
        throw tk_exception(
            "Insufficient privileges to create sequence.\nAuto increment will not be converted.",
            0);
      throw;
    }
  }
  return std::u16string();
}
