#pragma once
// Table names of a run: the driver's names and the schema's tables are taken.
#include <string>
#include <vector>

#include "ORA/ora_validator.h"

class ora_tn_validator : public ora_validator {
 public:
  ora_tn_validator(const std::vector<std::u16string>& run_tables,
                   const std::vector<std::u16string>& schema_tables);
};
