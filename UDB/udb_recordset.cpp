#include "UDB/udb_recordset.h"

#include "OLE/ole_type_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/utf.h"

udb_recordset::udb_recordset(std::u16string name, std::u16string query, bool owns_schema)
    : name_(std::move(name)), query_(std::move(query)), schema_(owns_schema) {}

udb_recordset::udb_recordset(std::u16string name, bool owns_schema)
    : name_(std::move(name)), schema_(owns_schema) {}

udb_recordset::~udb_recordset() = default;

udb_record* udb_recordset::get_item() {
  return nullptr;
}

bool udb_recordset::is_eof() {
  return true;
}

bool udb_recordset::is_query() const {
  return !query_.empty();
}

void udb_recordset::next() {}

void udb_recordset::reset() {}

void udb_recordset::convert_record(udb_record& record) const {
  tk_trace(1, "udb_recordset::convert_record");
  // A record wider than the schema has no column type for its extra values.
  if (record.size() > schema_.size()) throw tk_mail_assertion("udb_rset", __LINE__);
  for (size_t i = 0; i < record.size(); ++i) {
    udb_field& value = record[i];
    const t_ftd& column = schema_[i];
    tk_trace_w(1, u"from=%s, to=%s", value.name().c_str(), column.name().c_str());
    // An OLE true is -1; a bit that becomes a number must stay 1.
    if (value.vartype() == VT_BOOL && column.vartype() != VT_BOOL)
      static_cast<ole_variant&>(value) = ole_variant(value.to_bool() ? 1 : 0);
    try {
      value.change_type(column.vartype());
    } catch (const ole_type_exception& e) {
      // Which column could not take its value.
      throw ole_type_exception("Column " + tsl::text::utf16_to_utf8(column.name()) + ": " +
                               (e.message().empty() ? std::string(e.what()) : e.message()));
    }
  }
}

void udb_recordset::add_index(const udb_index& index) {
  tk_trace_w(1, u"udb_recordset::add_index (%s)", index.name().c_str());
  if (indexes_.is_acceptable_name(index.name())) indexes_.add(index);
}

void udb_recordset::clean_indexes() {
  tk_trace(1, "udb_recordset::clean_indexes");
  indexes_.clear();
}

void udb_recordset::set_batch(size_t, size_t) {}

void udb_recordset::flush() {}

std::vector<udb_recordset::failure> udb_recordset::take_failures() {
  std::vector<failure> out;
  out.swap(failures_);
  return out;
}

void udb_recordset::add_failure(int64_t tag, std::exception_ptr error) {
  failures_.push_back({tag, std::move(error)});
}
