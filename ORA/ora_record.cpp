#include "ORA/ora_record.h"

#include "TK/tk_trace.h"

ora_record::ora_record(const std::vector<std::unique_ptr<ora_type>>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) {
    ora_type& c = *columns[i];
    if (c.is_null()) {
      tk_trace(1, "Field #%d has NULL value", static_cast<int>(i));
      add(std::make_unique<udb_field>(c.name(), c.length(), ole_variant()));
    } else {
      add(std::make_unique<udb_field>(c.name(), c.length(), c.to_variant()));
    }
  }
}
