#include "ORA/ora_fn_validator.h"

#include "TK/tk_trace.h"
#include "UDB/udb_schema.h"

ora_fn_validator::ora_fn_validator(const udb_schema& fields) {
  tk_trace(2, "ora_fn_validator::ctor");
  for (size_t i = 0; i < fields.size(); ++i) add_used(fields[i].name());
}

bool ora_fn_validator::is_acceptable(const std::u16string& name) const {
  return name != u"ROWID" && ora_validator::is_acceptable(name);
}
