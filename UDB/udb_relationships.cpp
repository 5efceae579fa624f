#include "UDB/udb_relationships.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

const udb_relationship* udb_relationships::find(const std::u16string& name) const {
  for (const udb_relationship& item : items_) {
    if (tsl::text::equal_nocase(item.name(), name)) return &item;
  }
  return nullptr;
}

bool udb_relationships::is_acceptable_name(const std::u16string& name) const {
  tk_trace_w(1, u"udb_relationships::is_acceptable_name(%s)", name.c_str());
  return find(name) == nullptr;
}

const udb_relationship& udb_relationships::get_index(const std::u16string& name) const {
  tk_trace_w(1, u"udb_relationships::get_index(%s)", name.c_str());
  const udb_relationship* item = find(name);
  if (!item) throw tk_mail_assertion("udb_rel", __LINE__);
  return *item;
}
