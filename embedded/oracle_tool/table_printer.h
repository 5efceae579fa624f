#pragma once
// Query results as an aligned text table: a header, a rule, the rows
// (numbers right-aligned, NULL empty), and the row count.
#include <ostream>

#include "embedded/oracle/result_set.h"

namespace tsl::eora {

class session;

// DATE values show as YYYY-MM-DD HH24:MI:SS, CLOBs as their text, BLOBs and
// RAW as hexadecimal digits.
void print_table(std::ostream& out, session& s, const result_set& rs);

}  // namespace tsl::eora
