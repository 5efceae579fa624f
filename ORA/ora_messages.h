#pragma once
// The program's own texts for twelve Oracle errors, keyed by the
// ora_exception code (0x100000 plus the ORA number), in ascending order.
#include <cstddef>

#include "common/tk_error_converter.h"

extern const tk_error_entry ora_messages[];
extern const size_t ora_messages_count;  // 12
