#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds {

void wire_writer::ucs2(std::u16string_view s) {
  const size_t at = buf_.size();
  buf_.resize(at + 2 * s.size());
  char* p = buf_.data() + at;
  for (char16_t c : s) {
    *p++ = static_cast<char>(c & 0xFF);
    *p++ = static_cast<char>(c >> 8);
  }
}

void wire_writer::b_varchar(std::u16string_view s) {
  if (s.size() > 255) s = s.substr(0, 255);
  u8(static_cast<uint8_t>(s.size()));
  ucs2(s);
}

void wire_writer::us_varchar(std::u16string_view s) {
  if (s.size() > 65535) s = s.substr(0, 65535);
  u16(static_cast<uint16_t>(s.size()));
  ucs2(s);
}

}  // namespace tsl::tds
