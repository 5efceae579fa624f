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
// Longest CHAR(n CHAR) that always holds n characters (2000 bytes), and the
// longest NCHAR.
constexpr uint32_t ora_max_char_char = 2000 / 3;
constexpr uint32_t ora_max_nchar = 1000;
// Floating values beyond this magnitude are out of Oracle's range.
constexpr double ora_number_limit = 1.0e126;
// Non-zero magnitudes below this are out of Oracle's range too.
constexpr double ora_number_min = 1.0e-130;

bool is_binary_vartype(VARTYPE vt);
// True when a column of this type and size becomes a CLOB or BLOB (a LONG or
// LONG RAW before Oracle8).
bool is_lob_column(VARTYPE vt, uint32_t size, int release = 0);

// Oracle releases as the version probe packs them (major * 65536 + minor *
// 256 + patch); 0 stands for the newest.
constexpr int ora_release_8 = 0x80000;
constexpr int ora_release_9 = 0x90000;
constexpr int ora_release_newest = 0;

// The column type for a field, among those the release accepts.
std::u16string get_native_type(const t_ftd& field, int release = ora_release_newest);
// The longest inline text and RAW column of a release, in characters and bytes.
uint32_t ora_max_text(int release);
uint32_t ora_max_raw_of(int release);
// The variant type of a NUMBER(precision, scale) column; may raise
// `precision` for a decimal whose scale equals it.
VARTYPE refine_number_type(int& precision, int scale);
std::u16string to_oracle_str(const std::u16string& text, VARTYPE vt);
std::u16string to_oracle_str(const ole_variant* value);
// The text a bound value carries for what to_oracle_str would write as a
// literal; a date also needs the format its text is in. False when the
// literal would stand for NULL (an empty text, an invalid date or binary).
bool to_oracle_bind(const std::u16string& text, VARTYPE vt, std::u16string& out,
                    const char16_t** date_format);
// The DEFAULT text of a field, or empty when it has none or Oracle cannot
// reproduce it exactly (see `default_left_out`).
std::u16string make_ora_def_val(const t_ftd* field);
// True when the field has a default but `make_ora_def_val` gives none: an
// expression without an Oracle equivalent, or a value out of range.
bool default_left_out(const t_ftd& field);
