#include "UDB/udb_record.h"

#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

const udb_field* udb_record::find(const std::u16string& name) const {
  tk_trace_w(1, u"udb_record::find_field(%s)", name.c_str());
  for (const auto& field : fields_) {
    tk_trace_w(1, u"Processing %s", field->name().c_str());
    if (tsl::text::equal_nocase(field->name(), name)) return field.get();
  }
  return nullptr;
}

bool udb_record::find_field(const std::u16string& name) const {
  return find(name) != nullptr;
}

const ole_variant& udb_record::get_field(const std::u16string& name) const {
  static const ole_variant empty;
  const udb_field* field = find(name);
  return field ? *field : empty;
}
