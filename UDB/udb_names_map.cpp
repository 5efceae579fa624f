#include "UDB/udb_names_map.h"

#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

void udb_names_map::add_tn_mapping(const std::u16string& source,
                                   const std::u16string& destination) {
  tk_trace_w(1, u"udb_names_map::add_tn_mapping(%s,%s)", source.c_str(), destination.c_str());
  tables_.add(source, destination);
}

void udb_names_map::add_fn_map(const std::u16string& table, const t_names_map& fields) {
  tk_trace_w(1, u"udb_names_map::add_fn_map(%s)", table.c_str());
  fields_.insert_or_assign(table, fields);
}

std::u16string udb_names_map::get_tn_mapped_name(const std::u16string& name, bool exact) const {
  tk_trace_w(1, u"udb_names_map::get_tn_mapped_name(%s)", name.c_str());
  for (const auto& [source, destination] : tables_) {
    tk_trace_w(1, u"Comparing with (%s,%s)", source.c_str(), destination.c_str());
    if (exact ? source == name : tsl::text::equal_nocase(source, name)) {
      tk_trace_w(1, u"Got mapped name: %s", destination.c_str());
      return destination;
    }
  }
  return name;
}

std::u16string udb_names_map::get_fn_mapped_name(const std::u16string& table,
                                                 const std::u16string& field, bool exact) const {
  tk_trace_w(1, u"udb_names_map::get_fn_mapped_name(%s,%s)", table.c_str(), field.c_str());
  auto it = fields_.find(table);
  if (it == fields_.end()) {
    tk_trace_w(1, u"Table '%s' not found", table.c_str());
    return field;
  }
  return it->second.get_mapped_name(field, exact);
}
