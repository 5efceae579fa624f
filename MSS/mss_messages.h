#pragma once
// The program's own texts for well-known OLE DB results, keyed by the
// odb_exception code (0x80000 plus the result's low 16 bits).
#include <cstddef>

#include "common/tk_error_converter.h"

extern const tk_error_entry mss_messages[];
extern const size_t mss_messages_count;  // 27

// Shown when connecting fails with a result whose low 16 bits are 0x4005.
extern const char mss_connect_failure_text[];
