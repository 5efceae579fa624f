#include "UDB/udb_indexes.h"

#include <algorithm>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

bool udb_indexes::has_index_on_fields(const std::vector<std::u16string>& fields,
                                      bool unique_wanted) const {
  tk_trace(1, "udb_indexes::has_index_on_fields");
  for (const udb_index& index : indexes_) {
    if (index.starts_with_fields(fields)) return unique_wanted ? index.is_unique() : true;
  }
  return false;
}

const udb_index* udb_indexes::find(const std::u16string& name) const {
  for (const udb_index& index : indexes_) {
    if (tsl::text::equal_nocase(index.name(), name)) return &index;
  }
  return nullptr;
}

bool udb_indexes::is_acceptable_name(const std::u16string& name) const {
  tk_trace_w(1, u"udb_indexes::is_acceptable_name(%s)", name.c_str());
  return find(name) == nullptr;
}

const udb_index& udb_indexes::get_index(const std::u16string& name) const {
  tk_trace_w(1, u"udb_indexes::get_index(%s)", name.c_str());
  const udb_index* index = find(name);
  if (!index) throw tk_mail_assertion("udb_idx", __LINE__);
  return *index;
}

bool udb_indexes::is_idx_field(const std::u16string& name, bool primary_only) const {
  tk_trace_w(1, u"udb_indexes::is_idx_field(%s)", name.c_str());
  for (const udb_index& index : indexes_) {
    if (primary_only && !index.is_primary()) continue;
    const auto& fields = index.fields();
    if (std::find(fields.begin(), fields.end(), name) != fields.end()) {
      tk_trace(1, "index field");
      return true;
    }
  }
  tk_trace(1, "non-index field");
  return false;
}
