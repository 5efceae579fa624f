#include "UDB/udb_database.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

udb_database::udb_database(std::u16string name, int32_t mode, bool case_sensitive)
    : mode_(mode), name_(std::move(name)), case_sensitive_(case_sensitive) {
  tk_trace_w(1, u"udb_database::ctor(%s)", name_.c_str());
}

udb_database::~udb_database() {
  tk_trace(2, "udb_database::dtor");
}

std::vector<std::u16string>::const_iterator udb_database::find_table(
    const std::u16string& name) const {
  for (auto it = table_names_.begin(); it != table_names_.end(); ++it) {
    tk_trace_w(1, u"Compare with %s", it->c_str());
    if (case_sensitive_ ? *it == name : tsl::text::equal_nocase(*it, name)) return it;
  }
  return table_names_.end();
}

bool udb_database::is_table_exist(const std::u16string& name) const {
  tk_trace_w(1, u"udb_database::is_table_exist(%s)", name.c_str());
  if (find_table(name) != table_names_.end()) {
    tk_trace(1, "table exists");
    return true;
  }
  tk_trace(1, "table not found");
  return false;
}

bool udb_database::delete_tab(const std::u16string& name) {
  tk_trace_w(1, u"udb_database::delete_tab (%s)", name.c_str());
  auto it = find_table(name);
  if (it == table_names_.end()) throw tk_mail_assertion("udb_db", __LINE__);
  table_names_.erase(it);
  return true;
}

std::unique_ptr<udb_recordset> udb_database::query(const std::u16string&) {
  throw tk_mail_assertion("udb_db", __LINE__);
}

void udb_database::create_relationships(const udb_relationships&) {}
