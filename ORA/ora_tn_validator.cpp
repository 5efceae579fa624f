#include "ORA/ora_tn_validator.h"

#include "TK/tk_trace.h"

ora_tn_validator::ora_tn_validator(const std::vector<std::u16string>& run_tables,
                                   const std::vector<std::u16string>& schema_tables) {
  tk_trace(2, "ora_tn_validator::ctor");
  for (const std::u16string& n : run_tables) add_used(n);
  for (const std::u16string& n : schema_tables) add_used(n);
}
