#include "UDB/udb_schema.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

udb_schema::~udb_schema() {
  clear();
}

udb_schema::udb_schema(udb_schema&& other) noexcept
    : fields_(std::move(other.fields_)), owns_fields_(other.owns_fields_) {
  other.fields_.clear();
}

udb_schema& udb_schema::operator=(udb_schema&& other) noexcept {
  if (this != &other) {
    clear();
    fields_ = std::move(other.fields_);
    owns_fields_ = other.owns_fields_;
    other.fields_.clear();
  }
  return *this;
}

void udb_schema::clear() {
  if (owns_fields_) {
    for (t_ftd* field : fields_) delete field;
  }
  fields_.clear();
}

t_ftd* udb_schema::find(const std::u16string& name) const {
  for (t_ftd* field : fields_) {
    tk_trace_w(1, u"Processing %s", field->name().c_str());
    if (tsl::text::equal_nocase(field->name(), name)) return field;
  }
  return nullptr;
}

bool udb_schema::find_field(const std::u16string& name) const {
  tk_trace_w(1, u"udb_schema::find_field(%s)", name.c_str());
  return find(name) != nullptr;
}

t_ftd& udb_schema::get_field(const std::u16string& name) const {
  tk_trace_w(1, u"udb_schema::find_field(%s)", name.c_str());
  t_ftd* field = find(name);
  if (!field) throw tk_mail_assertion("udb_sche", __LINE__);
  return *field;
}

uint32_t udb_schema::get_field_size(const std::u16string& name) const {
  tk_trace_w(1, u"udb_schema::get_field_size(%s)", name.c_str());
  t_ftd* field = find(name);
  if (!field) throw tk_mail_assertion("udb_sche", __LINE__);
  return field->size();
}

VARTYPE udb_schema::get_field_type(const std::u16string& name) const {
  tk_trace_w(1, u"udb_schema::get_field_type(%s)", name.c_str());
  t_ftd* field = find(name);
  if (!field) throw tk_mail_assertion("udb_sche", __LINE__);
  return field->vartype();
}

bool udb_schema::conform_to(const udb_schema& destination) const {
  tk_trace(1, "udb_schema::conform_to");
  if (size() != destination.size()) {
    tk_trace(2, "Tables are not conformed: src_size=%d, dest_size=%d", static_cast<int>(size()),
             static_cast<int>(destination.size()));
    return false;
  }
  for (size_t i = 0; i < fields_.size(); ++i) {
    const t_ftd& src = *fields_[i];
    const t_ftd& dest = destination[i];
    if (!src.conform_to(dest)) {
      tk_trace(2, "Column #%d doesn't conform (src_vt=%d, src_size=%d, dest_vt=%d, dest_size=%d)",
               static_cast<int>(i + 1), static_cast<int>(src.vartype()),
               static_cast<int>(src.size()), static_cast<int>(dest.vartype()),
               static_cast<int>(dest.size()));
      return false;
    }
  }
  return true;
}
