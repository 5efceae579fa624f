#pragma once
// How model fields and values become Oracle text: column types, SQL literals
// and DEFAULT clauses, and the variant type of a NUMBER column read back.
#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"
#include "platform/oleaut/oleauto_types.h"

class t_ftd;

// Longest inline text or binary column, in bytes.
constexpr uint32_t ora_max_inline = 4000;
// Longest RAW column.
constexpr uint32_t ora_max_raw = 2000;
// Longest text column that VARCHAR2(n CHAR) always holds whole: a UTF-16 unit
// takes at most three bytes in the database character set.
constexpr uint32_t ora_max_char_varchar = ora_max_inline / 3;
// Longest NVARCHAR2, in UTF-16 units.
constexpr uint32_t ora_max_nvarchar = 2000;
// Floating values beyond this magnitude are out of Oracle's range.
constexpr double ora_number_limit = 1.0e126;

bool is_binary_vartype(VARTYPE vt);
// True when a column of this type and size becomes a CLOB or BLOB.
bool is_lob_column(VARTYPE vt, uint32_t size);

std::u16string get_native_type(const t_ftd& field);
// The variant type of a NUMBER(precision, scale) column; may raise
// `precision` for a decimal whose scale equals it.
VARTYPE refine_number_type(int& precision, int scale);
std::u16string to_oracle_str(const std::u16string& text, VARTYPE vt);
std::u16string to_oracle_str(const ole_variant* value);
std::u16string make_ora_def_val(const t_ftd* field);
