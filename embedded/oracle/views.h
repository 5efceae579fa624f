#pragma once
// The dictionary views a session can query: USER_TABLES, USER_TAB_COLUMNS,
// USER_CONSTRAINTS, USER_CONS_COLUMNS, USER_INDEXES, USER_IND_COLUMNS,
// USER_SEQUENCES, USER_TRIGGERS, USER_OBJECTS, V$VERSION and DUAL.
#include <string>

#include "embedded/oracle/eval.h"

namespace tsl::eora {

class session;

// Fills `out` when `name` is one of the views; with rows only when asked.
bool dictionary_view(session& s, const std::string& name, bool with_rows, source& out);

}  // namespace tsl::eora
