#pragma once
// The narrow "ANSI" character set of the engine: the character set of the
// process's LC_CTYPE locale. Under the C or POSIX locale, which names plain
// ASCII, it is taken to be UTF-8 so that no text is lost.
#include <string>
#include <string_view>

namespace tsl::text {

// The iconv name of the narrow character set, such as "UTF-8" or "ISO-8859-1".
std::string ansi_codeset();
bool ansi_is_utf8();

// Narrow to UTF-16. Bytes that are not valid in the character set become
// U+FFFD and the answer is false; the output holds everything else.
bool ansi_to_utf16(std::string_view in, std::u16string& out);

// UTF-16 to narrow. A character that the character set cannot hold becomes
// '?' (as Windows does by default) and the answer is false.
bool utf16_to_ansi(std::u16string_view in, std::string& out);

// The same conversions for a named iconv character set.
bool codeset_to_utf16(const std::string& codeset, std::string_view in, std::u16string& out);
bool utf16_to_codeset(const std::string& codeset, std::u16string_view in, std::string& out);

}  // namespace tsl::text
