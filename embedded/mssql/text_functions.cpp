#include "embedded/mssql/text_functions.h"

#include <cstdint>
#include <string_view>

namespace tsl::mssql {

namespace {

// Characters of UTF-8 text: UTF-16 units when unicode (a character past
// U+FFFF is two), else one each.
int64_t units(std::string_view s, bool unicode) {
  int64_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte
    n += unicode && c >= 0xF0 ? 2 : 1;
  }
  return n;
}

std::string_view text_of(sqlite3_value* v) {
  return {reinterpret_cast<const char*>(sqlite3_value_text(v)),
          static_cast<size_t>(sqlite3_value_bytes(v))};
}

void sqlite_len(sqlite3_context* c, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(c);
  std::string_view s = text_of(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_result_int64(c, units(s, sqlite3_value_int(argv[1]) != 0));
}

void sqlite_datalength(sqlite3_context* c, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      return sqlite3_result_null(c);
    case SQLITE_BLOB:
      return sqlite3_result_int64(c, sqlite3_value_bytes(argv[0]));
    default: {
      const bool unicode = sqlite3_value_int(argv[1]) != 0;
      const int64_t n = units(text_of(argv[0]), unicode);
      return sqlite3_result_int64(c, unicode ? 2 * n : n);
    }
  }
}

}  // namespace

void register_text_functions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function_v2(db, "tsl_len", 2, flags, nullptr, sqlite_len, nullptr, nullptr,
                             nullptr);
  sqlite3_create_function_v2(db, "tsl_datalength", 2, flags, nullptr, sqlite_datalength, nullptr,
                             nullptr, nullptr);
}

}  // namespace tsl::mssql
