#pragma once
// Lengths of stored texts as SQL Server counts them. SQLite's own length()
// stops at the first NUL and counts UTF-8 characters, where SQL Server
// counts every character, in UTF-16 units for the Unicode types and in
// single bytes (code page 1252) for the others.
#include <sqlite3.h>

namespace tsl::mssql {

// tsl_len(text, unicode): LEN, trailing blanks left out.
// tsl_datalength(value, unicode): DATALENGTH of a text or binary value.
void register_text_functions(sqlite3* db);

}  // namespace tsl::mssql
