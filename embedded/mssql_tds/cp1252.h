#pragma once
// Windows code page 1252, the code page of the server's collation: varchar
// data travels in it. Characters it cannot hold become '?', as they do when
// SQL Server stores them in a varchar column.
#include <string>
#include <string_view>

namespace tsl::tds {

void append_cp1252(std::u16string_view in, std::string& out);
std::u16string cp1252_to_utf16(std::string_view in);

}  // namespace tsl::tds
