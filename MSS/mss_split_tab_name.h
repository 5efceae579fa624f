#pragma once
// Splits a bracketed name "[owner].[table]" or "[table]" into its parts.
// False, outputs untouched, for anything shorter than three characters or
// not in brackets. Brackets inside names are taken as they stand.
#include <string>

// A name as it stands between brackets ("]" doubled), and back.
std::u16string mss_bracket_escape(const std::u16string& name);
std::u16string mss_bracket_unescape(const std::u16string& name);

bool mss_split_tab_name(const std::u16string& name, std::u16string& table, std::u16string& owner);
