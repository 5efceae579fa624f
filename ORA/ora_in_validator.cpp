#include "ORA/ora_in_validator.h"

#include "ORA/ora_query_results.h"
#include "TK/tk_trace.h"
#include "UDB/udb_indexes.h"

namespace {

// Every value of the first column of a query.
void each_name(const std::u16string& sql, ora_validator& v) {
  ora_query_results q;
  q.initialize(0, sql);
  while (!q.is_eof()) {
    udb_record* r = q.get_item();
    if (r == nullptr) break;
    v.add_restricted((*r)[0].to_wstring());
  }
}

}  // namespace

ora_in_validator::ora_in_validator(offline_t) {
  tk_trace(2, "ora_in_validator::ctor");
  validator_.add_restricted(u"PRIMARY");
}

ora_in_validator::ora_in_validator() {
  tk_trace(2, "ora_in_validator::ctor");
  validator_.add_restricted(u"PRIMARY");
  each_name(
      u"SELECT a.constraint_name FROM user_cons_columns a, user_constraints b WHERE "
      u"a.constraint_name=b.constraint_name AND b.constraint_type='P'",
      validator_);
  each_name(u"select index_name FROM user_indexes", validator_);
}

void ora_in_validator::load(const udb_indexes& indexes) {
  tk_trace(2, "ora_in_validator::load");
  for (const udb_index& i : indexes) validator_.add_used(i.name());
}
