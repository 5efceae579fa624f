#pragma once
// The values of one fetched row, in select-list order; NULL columns are null
// values.
#include <memory>
#include <vector>

#include "ORA/ora_type.h"
#include "UDB/udb_record.h"

class ora_record : public udb_record {
 public:
  explicit ora_record(const std::vector<std::unique_ptr<ora_type>>& columns);
};
